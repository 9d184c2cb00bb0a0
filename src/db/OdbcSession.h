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
    // Ends the session at once, without a rollback: the server discards an
    // open transaction with the session.
    void abandon() noexcept;
    bool isOpen() const { return bool(m_dbc); }

    // On a server that speaks T-SQL the transaction is opened one level
    // deeper than the driver's: the program's own BEGIN TRANSACTION inside
    // it, so that a trigger's lone COMMIT only takes the level back to the
    // driver's and commits nothing. The program's statements never take the
    // level across zero, so the driver's view of its transaction, which
    // follows the server's begin and end, stays true: only SQLEndTran begins
    // and ends it, as ODBC requires.
    void beginTransaction();
    void commit();
    // Undoes the open transaction. Raises DbError, once it is over, when the
    // server had committed the transaction itself (a trigger's COMMIT), or
    // ended it and cannot say how (a driver without T-SQL, or no answer), or
    // ended it in a trigger (what the trigger did after is not known), or
    // when the rollback failed and the server could not say whether it still
    // held it. A rollback that fails leaves
    // the connection closed: only the server's end of the session undoes a
    // transaction the driver could not.
    void rollback();
    // Raises TransactionLost when the server no longer holds the open
    // transaction at the level the program opened it at.
    void confirmTransaction();
    // Told by a write that raised TransactionLost.
    void transactionLost() { m_lost = true; }

    // Zero: no limit. Taken by the next open, for the connection's commits
    // and rollbacks and every statement it makes.
    void setStatementTimeout(std::chrono::seconds timeout);

    // The level writes must run at, inside a transaction the server is known
    // to hold; zero where they go unguarded.
    int guardedLevel() const { return m_inTransaction ? m_level : 0; }

    // Whether the driver knows the connection to be gone (not asking the server).
    bool connectionLost() const;

    // A new statement on the open connection.
    Handle newStatement() const;

    // The open connection's handles: the driver manager's, and the driver's own behind it.
    SQLHDBC handle() const { return m_dbc.get(); }
    SQLHDBC driverHandle() const { return m_driverDbc; }

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
    void openOwnLevel();
    void drop() noexcept;

    ConnectionTarget m_target;
    Handle m_env;
    Handle m_dbc;
    SQLHDBC m_driverDbc = SQL_NULL_HDBC;
    bool m_inTransaction = false;
    enum class Marks { Unknown, Kept, Unavailable };
    Marks m_marks = Marks::Unknown;
    int m_transactionNumber = 0;
    int m_level = 0;      // the server's count once the program's level is open; zero without marks
    bool m_lost = false;  // the destination acted on its own in the open transaction
    bool m_driverDeclaresArrays = false;
    OdbcBatchMode m_batchMode = OdbcBatchMode::Auto;
    std::chrono::seconds m_statementTimeout = kStatementTimeout;
};

// The driver names the driver manager knows, as it lists them.
QStringList installedDrivers(SQLHENV env);
// The data sources the driver manager knows, each with its driver's name.
QMap<QString, QString> dataSources(SQLHENV env);

}  // namespace db::odbc
