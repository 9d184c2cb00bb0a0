#include "db/Connection.h"

#include "db/DbError.h"

namespace db {

Connection::~Connection() = default;

RowCursor::~RowCursor() = default;

void Connection::confirmTransaction() {}

std::unique_ptr<Connection> Connection::createPeer() const
{
    return nullptr;
}

std::unique_ptr<RowCursor> Connection::openCursor(const QString&)
{
    throw DbError(QStringLiteral("This connection cannot stream rows"));
}

}  // namespace db
