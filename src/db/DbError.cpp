#include "db/DbError.h"

#include <utility>

namespace db {

DbError::DbError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

}  // namespace db
