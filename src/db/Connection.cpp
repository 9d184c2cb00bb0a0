#include "db/Connection.h"

namespace db {

Connection::~Connection() = default;

}  // namespace db
