#include "db/OdbcConnection.h"

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

}  // namespace db
