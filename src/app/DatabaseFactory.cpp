#include "app/DatabaseFactory.h"

#include "db/OdbcConnection.h"

namespace app {

std::unique_ptr<db::Connection> createConnection()
{
    return std::make_unique<db::OdbcConnection>();
}

}  // namespace app
