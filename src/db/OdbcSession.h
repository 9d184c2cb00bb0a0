#pragma once

#include "db/OdbcConnection.h"
#include "db/OdbcHandle.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace db::odbc {

// The driver-manager side of an OdbcConnection, shared with its queries.
class Session {
public:
    Session() = default;
    ~Session();

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void setTarget(const ConnectionTarget& target);
    const ConnectionTarget& target() const { return m_target; }

    void open();
    void close() noexcept;
    bool isOpen() const { return bool(m_dbc); }

    void beginTransaction();
    void commit();
    // Undoes the open transaction. Raises DbError, once it is over, when the
    // server had committed the transaction itself (a trigger's COMMIT), or
    // ended it and cannot say how (a driver without T-SQL, or no answer), or
    // when the rollback failed and the server could not say whether it still
    // held it. A rollback that fails leaves
    // the connection closed: only the server's end of the session undoes a
    // transaction the driver could not.
    void rollback();

    // Zero: no limit. Taken by the next open, for the connection's commits
    // and rollbacks and every statement it makes.
    void setStatementTimeout(std::chrono::seconds timeout);

    // Whether writes must be guarded against running after the server ended
    // the open transaction: inside a transaction the server is known to hold.
    bool guardsWrites() const { return m_inTransaction && m_marks == Marks::Kept; }

    // Whether the driver knows the connection to be gone (not asking the server).
    bool connectionLost() const;

    // A new statement on the open connection.
    Handle newStatement() const;

    // Whether executeForRows may try parameter arrays on this connection.
    bool wantsParameterArrays() const;
    void setBatchMode(OdbcBatchMode mode) { m_batchMode = mode; }

private:
    void requireOpen() const;
    void setAutocommit(bool on);
    std::optional<int> askCount(const QString& sql) const;
    std::optional<bool> serverHoldsTransaction() const;
    bool createMarks() const;
    std::optional<bool> markKept() const;
    void drop() noexcept;

    ConnectionTarget m_target;
    Handle m_env;
    Handle m_dbc;
    bool m_inTransaction = false;
    enum class Marks { Unknown, Kept, Unavailable };
    Marks m_marks = Marks::Unknown;
    int m_transactionNumber = 0;
    bool m_driverDeclaresArrays = false;
    OdbcBatchMode m_batchMode = OdbcBatchMode::Auto;
    std::chrono::seconds m_statementTimeout = kStatementTimeout;
};

// The driver names the driver manager knows, as it lists them.
QStringList installedDrivers(SQLHENV env);
// The data sources the driver manager knows, each with its driver's name.
QMap<QString, QString> dataSources(SQLHENV env);

}  // namespace db::odbc
