#pragma once

#include "db/Connection.h"

#include <memory>

namespace db {

namespace odbc {
class Session;
}

// The statement timeout of a new connection. A server that takes a request
// and then never answers (a frozen machine, a network path that drops
// packets without closing the connection) would otherwise keep the run
// waiting for ever: TCP keepalive does not notice a peer whose TCP stack
// still answers. The longest legitimate request is one INSERT ... SELECT of
// a table step, done on the server; 200,000 products with their barcodes
// take seconds on the test engine, and a busy server may take many times
// that, so five minutes never cuts one. After a statement's timeout the
// driver sends a cancel and waits as long again for its answer, so a silent
// server is given up on after at most twice this.
inline constexpr std::chrono::seconds kStatementTimeout{300};

// How executeForRows sends its rows.
enum class OdbcBatchMode {
    Auto,             // parameter arrays where the driver declares and accepts them
    ParameterArrays,  // parameter arrays wherever the driver accepts the array size
    RowByRow,         // one execution of the prepared statement per row
};

// A connection through the ODBC driver manager, to a target written out for
// the SQL Server driver installed here (see odbcLogin), or with a native ODBC
// string as it is.
class OdbcConnection final : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void setTarget(const ConnectionTarget& target) override;
    ConnectionTarget target() const override;

    void open() override;
    void close() override;
    bool isOpen() const override;

    void beginTransaction() override;
    void commit() override;
    // Raises DbError when the work may not have been undone: the server had
    // ended the transaction itself (a trigger may have committed it), or the
    // rollback failed where the server could not tell. A failed rollback
    // closes the connection rather than let autocommit commit what is open.
    void rollback() override;
    void confirmTransaction() override;
    void setStatementTimeout(std::chrono::seconds timeout) override;

    std::unique_ptr<Query> createQuery(const QString& name) override;
    std::unique_ptr<Connection> createPeer() const override;
    std::unique_ptr<RowCursor> openCursor(const QString& sql) override;
    bool bulkLoads() const override;
    std::unique_ptr<BulkLoad> startBulkLoad(const QString& table, std::vector<BulkColumn> columns) override;

    void setBatchMode(OdbcBatchMode mode);

private:
    // A bulk load that failed ends the session, its transaction discarded.
    void bulkLoadFailed() noexcept;

    std::unique_ptr<odbc::Session> m_session;
    // What a peer is made with.
    std::chrono::seconds m_statementTimeout = kStatementTimeout;
    OdbcBatchMode m_batchMode = OdbcBatchMode::Auto;
};

}  // namespace db
