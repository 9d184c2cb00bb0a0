#include "db/OdbcConnection.h"

#include "db/DbError.h"
#include "db/OdbcBulkLoad.h"
#include "db/OdbcCursor.h"
#include "db/OdbcQuery.h"
#include "db/OdbcSession.h"

namespace db {

OdbcConnection::OdbcConnection() : m_session(std::make_unique<odbc::Session>()) {}

OdbcConnection::~OdbcConnection() = default;

void OdbcConnection::setTarget(const ConnectionTarget& target)
{
    m_session->setTarget(target);
}

ConnectionTarget OdbcConnection::target() const
{
    return m_session->target();
}

void OdbcConnection::open()
{
    m_session->open();
}

void OdbcConnection::close()
{
    m_session->close();
}

bool OdbcConnection::isOpen() const
{
    return m_session->isOpen();
}

void OdbcConnection::beginTransaction()
{
    m_session->beginTransaction();
}

void OdbcConnection::commit()
{
    m_session->commit();
}

void OdbcConnection::rollback()
{
    m_session->rollback();
}

void OdbcConnection::confirmTransaction()
{
    m_session->confirmTransaction();
}

void OdbcConnection::setStatementTimeout(std::chrono::seconds timeout)
{
    m_session->setStatementTimeout(timeout);
    m_statementTimeout = timeout;
}

std::unique_ptr<Query> OdbcConnection::createQuery(const QString& name)
{
    return std::make_unique<odbc::OdbcQuery>(*m_session, name);
}

void OdbcConnection::setBatchMode(OdbcBatchMode mode)
{
    m_session->setBatchMode(mode);
    m_batchMode = mode;
}

std::unique_ptr<Connection> OdbcConnection::createPeer() const
{
    auto peer = std::make_unique<OdbcConnection>();
    peer->setStatementTimeout(m_statementTimeout);
    peer->setBatchMode(m_batchMode);
    return peer;
}

std::unique_ptr<RowCursor> OdbcConnection::openCursor(const QString& sql)
{
    return std::make_unique<odbc::OdbcCursor>(odbc::Statement(m_session->newStatement()), sql);
}

bool OdbcConnection::bulkLoads() const
{
    return m_session->isOpen() && odbc::BulkDriver::find(m_session->handle(), m_session->driverHandle());
}

std::unique_ptr<BulkLoad> OdbcConnection::startBulkLoad(const QString& table, std::vector<BulkColumn> columns)
{
    if (!m_session->isOpen())
        throw DbError(QStringLiteral("The connection is not open"));
    std::unique_ptr<odbc::BulkDriver> driver = odbc::BulkDriver::find(m_session->handle(), m_session->driverHandle());
    if (!driver)
        return nullptr;
    return std::make_unique<odbc::OdbcBulkLoad>(std::move(driver), table, std::move(columns), [this] { bulkLoadFailed(); });
}

void OdbcConnection::bulkLoadFailed() noexcept
{
    // A refused load is a refusal of the whole transaction, as this engine
    // makes it on its own, and the engine takes no further load on the same
    // session: it ends, and the server discards its transaction. (A rollback
    // here would run in the database the load entered, which may not see the
    // session's temporary tables.)
    m_session->abandon();
}

}  // namespace db
