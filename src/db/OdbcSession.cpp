#include "db/OdbcSession.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcConnectionString.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcStatement.h"
#include "db/OdbcText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace db::odbc {

namespace {

// As long as an OLE DB connection waits by default. Without a limit, a server
// that takes the connection and never answers the login keeps the run waiting
// for ever.
constexpr SQLULEN kLoginTimeoutSeconds = 15;

// One row per transaction of the session, written as the transaction's first
// statement: the row is gone after a rollback and stays after a commit, so it
// tells the two apart when the server ended a transaction on its own (an
// error, a trigger's ROLLBACK or COMMIT).
constexpr char kMarks[] = "#kovara_transaccoes";

// Microsoft's SQL_COPT_SS_BCP, which FreeTDS also takes: the connection may
// bulk copy. Only asked for at the login.
constexpr SQLINTEGER kBulkCopy = 1219;
constexpr SQLULEN kBulkCopyOn = 1;

}  // namespace

Session::~Session()
{
    close();
}

void Session::setTarget(const ConnectionTarget& target)
{
    if (target == m_target)
        return;
    if (isOpen())
        throw DbError(QStringLiteral("Cannot change the connection string of an open connection"));
    m_target = target;
}

void Session::open()
{
    if (isOpen())
        return;
    if (!m_env)
        m_env = makeEnvironment();

    const bool native = !m_target.odbc.isEmpty();
    const OdbcLogin login =
        odbcLogin(m_target, native ? QStringList{} : installedDrivers(m_env.get()), m_statementTimeout,
                  native || m_target.dataSource.isEmpty() ? QMap<QString, QString>{} : dataSources(m_env.get()));
    if (login.section)
        writeFreeTdsSection(*login.section);

    Handle dbc(SQL_HANDLE_DBC, m_env.get());
    // A driver without login timeouts simply refuses this.
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds),
                       SQL_IS_UINTEGER);
    // A driver without bulk copy refuses this, and the copies go without.
    SQLSetConnectAttrW(dbc.get(), kBulkCopy, reinterpret_cast<SQLPOINTER>(kBulkCopyOn), SQL_IS_INTEGER);
    const SQLRETURN rc = SQLDriverConnectW(dbc.get(), nullptr, wide(login.connectionString), SQL_NTS, nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        throwConnectFailure(dbc.get());

    // SQL_PARC_BATCH or SQL_PARC_NO_BATCH; a driver that answers neither has
    // not thought about parameter arrays.
    SQLUINTEGER rowCounts = 0;
    m_driverDeclaresArrays =
        SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), SQL_PARAM_ARRAY_ROW_COUNTS, &rowCounts, sizeof rowCounts, nullptr))
        && (rowCounts == SQL_PARC_BATCH || rowCounts == SQL_PARC_NO_BATCH);
    // Commits and rollbacks are requests of the connection, not of a
    // statement. Set once connected: before, a driver may take it for the
    // login's limit. FreeTDS ignores it and has its own key in the string.
    SQLSetConnectAttrW(dbc.get(), SQL_ATTR_CONNECTION_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_statementTimeout.count())),
                       SQL_IS_UINTEGER);
    // The driver's own handle, which Microsoft's bulk copy calls take.
    m_driverDbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc.get(), SQL_DRIVER_HDBC, &m_driverDbc, sizeof m_driverDbc, nullptr)))
        m_driverDbc = SQL_NULL_HDBC;
    m_inTransaction = false;
    m_level = 0;
    m_lost = false;
    m_marks = Marks::Unknown;
    m_dbc = std::move(dbc);
}

void Session::close() noexcept
{
    if (!isOpen())
        return;
    try {
        rollback();
    } catch (const DbError&) {
        // Closing is all that is left to do with the connection either way.
    }
    if (isOpen()) {
        SQLDisconnect(m_dbc.get());
        m_dbc.reset();
    }
}

void Session::abandon() noexcept
{
    if (isOpen())
        drop();
}

void Session::drop() noexcept
{
    // Never through autocommit: a driver that follows the standard commits
    // the open transaction when autocommit goes on.
    if (!SQL_SUCCEEDED(SQLDisconnect(m_dbc.get()))) {
        // A standard driver refuses to disconnect while a transaction is open
        // (25000). One more rollback may go through; if not, the handle is let
        // go still connected, and the transaction stays open, uncommitted,
        // until the program ends and the server discards it.
        SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_ROLLBACK);
        SQLDisconnect(m_dbc.get());
    }
    m_dbc.reset();
}

std::optional<int> Session::askCount(const QString& sql) const
{
    try {
        Statement question(newStatement());
        question.executeDirect(sql);
        const ResultSet answer = question.fetchAll();
        if (answer.rows.empty() || answer.rows.front().empty() || !answer.rows.front().front())
            return std::nullopt;
        bool ok = false;
        const int count = answer.rows.front().front()->trimmed().toInt(&ok);
        return ok ? std::optional<int>(count) : std::nullopt;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

std::optional<bool> Session::serverHoldsTransaction() const
{
    const std::optional<int> count = askCount(QStringLiteral("SELECT @@TRANCOUNT"));
    return count ? std::optional<bool>(*count > 0) : std::nullopt;
}

bool Session::createMarks() const
{
    // In autocommit, so that the table outlives every transaction's rollback.
    // A driver that does not speak T-SQL refuses it, and goes without marks.
    try {
        Statement create(newStatement());
        create.executeDirect(QStringLiteral("IF OBJECT_ID(N'tempdb..%1') IS NULL CREATE TABLE %1 (numero INT NOT NULL)")
                                 .arg(QLatin1String(kMarks)));
        return true;
    } catch (const DbError&) {
        return false;
    }
}

std::optional<bool> Session::markKept() const
{
    const std::optional<int> count = askCount(
        QStringLiteral("SELECT COUNT(*) FROM %1 WHERE numero = %2").arg(QLatin1String(kMarks)).arg(m_transactionNumber));
    return count ? std::optional<bool>(*count > 0) : std::nullopt;
}

void Session::setStatementTimeout(std::chrono::seconds timeout)
{
    m_statementTimeout = std::max(timeout, std::chrono::seconds(0));
}

void Session::requireOpen() const
{
    if (!isOpen())
        throw DbError(QStringLiteral("The connection is not open"));
}

void Session::setAutocommit(bool on)
{
    const SQLRETURN rc = SQLSetConnectAttrW(
        m_dbc.get(), SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
        SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc))
        throwDiagnostics(SQL_HANDLE_DBC, m_dbc.get());
}

void Session::beginTransaction()
{
    requireOpen();
    if (m_inTransaction)
        throw DbError(QStringLiteral("A transaction is already open"));
    if (m_marks == Marks::Unknown)
        m_marks = createMarks() ? Marks::Kept : Marks::Unavailable;
    setAutocommit(false);
    m_inTransaction = true;
    m_level = 0;
    m_lost = false;
    if (m_marks != Marks::Kept)
        return;
    ++m_transactionNumber;
    try {
        // Also opens the driver's transaction on the server at once, whatever the driver defers.
        Statement mark(newStatement());
        mark.executeDirect(QStringLiteral("INSERT INTO %1 (numero) VALUES (%2)")
                               .arg(QLatin1String(kMarks))
                               .arg(m_transactionNumber));
        openOwnLevel();
    } catch (const DbError&) {
        // The failure may have ended the transaction on the server: nothing
        // may go on in it.
        rollback();
        throw;
    }
}

void Session::openOwnLevel()
{
    const std::optional<int> level = askCount(QStringLiteral("BEGIN TRANSACTION; SELECT @@TRANCOUNT"));
    // Only inside the driver's transaction does the program's COMMIT at the
    // end commit nothing, leaving the driver's to SQLEndTran.
    if (!level || *level < 2)
        throw DbError(QStringLiteral("The server did not open the transaction inside the driver's"));
    m_level = *level;
}

void Session::confirmTransaction()
{
    if (!isOpen() || !m_inTransaction || m_level == 0)
        return;
    // Inside the transaction its mark is seen whether or not a trigger
    // committed it: only the level tells here. A trigger that committed and
    // opened as many levels again is told by the mark at the rollback.
    const std::optional<int> level = askCount(QStringLiteral("SELECT @@TRANCOUNT"));
    if (!level)
        throw DbError(QStringLiteral("The server did not say whether it still holds the transaction"));
    if (*level != m_level) {
        m_lost = true;
        throw TransactionLost(kLevelChanged);
    }
}

void Session::commit()
{
    requireOpen();
    if (!m_inTransaction)
        throw DbError(QStringLiteral("No transaction is open"));
    // A failed commit leaves the transaction open for the caller's rollback.
    if (m_level > 0) {
        // The program's own level, closed by the program: at its level, this
        // COMMIT only takes the count down to the driver's.
        try {
            Statement close(newStatement());
            close.executeDirect(QStringLiteral("IF @@TRANCOUNT = %1 COMMIT TRANSACTION ELSE RAISERROR(N'%2', 16, 1)")
                                    .arg(QString::number(m_level), kLevelChanged));
            close.finish();
        } catch (const TransactionLost&) {
            m_lost = true;
            throw;
        }
        m_level = 0;
    }
    check(SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_COMMIT), SQL_HANDLE_DBC, m_dbc.get());
    m_inTransaction = false;
    setAutocommit(true);
}

void Session::rollback()
{
    if (!isOpen() || !m_inTransaction)
        return;
    m_inTransaction = false;
    // The program's own level is left open: the driver's rollback ends every
    // level at once, and nothing sent here may commit (a COMMIT of a
    // transaction an error doomed is refused).
    m_level = 0;
    const bool lost = std::exchange(m_lost, false);
    // Asked first: a driver that saw the server end the transaction may answer
    // the rollback with success, having nothing left to undo.
    const std::optional<bool> held = serverHoldsTransaction();
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_ROLLBACK);
    // A server that holds no transaction leaves nothing for autocommit to
    // commit, whatever the driver made of the rollback: the session is kept.
    if (!SQL_SUCCEEDED(rc) && held != false) {
        const QString failure = failureMessage(readDiagnostics(SQL_HANDLE_DBC, m_dbc.get()));
        const bool gone = connectionLost();
        drop();
        // A session that ends with its transaction open, or that is lost, has it discarded.
        if (held == true || gone)
            return;
        throw DbError(failure);
    }
    try {
        setAutocommit(true);
    } catch (const DbError&) {
        // Nothing is left open to commit, and the transaction is undone.
    }
    const QString ended = QStringLiteral("The server ended the transaction before the rollback");
    if (m_marks != Marks::Kept) {
        if (held == false)
            throw DbError(ended);
        return;
    }
    // Ended in a trigger: what the trigger wrote after its ROLLBACK stands
    // outside any transaction.
    if (held == false && lost)
        throw DbError(ended);
    // The mark outlives only a commit: one the server made before the
    // rollback (a trigger's COMMIT), even where later statements opened
    // another transaction that the rollback undid.
    const std::optional<bool> kept = markKept();
    if (kept == true || (held == false && !kept))
        throw DbError(ended);
}

bool Session::connectionLost() const
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    return isOpen()
        && SQL_SUCCEEDED(SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr))
        && dead == SQL_CD_TRUE;
}

Handle Session::newStatement() const
{
    requireOpen();
    Handle stmt(SQL_HANDLE_STMT, m_dbc.get());
    // A driver without query timeouts refuses this, and then waits as before.
    SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_statementTimeout.count())), 0);
    return stmt;
}

bool Session::wantsParameterArrays() const
{
    switch (m_batchMode) {
    case OdbcBatchMode::Auto: return m_driverDeclaresArrays;
    case OdbcBatchMode::ParameterArrays: return true;
    case OdbcBatchMode::RowByRow: return false;
    }
    return false;
}

QStringList installedDrivers(SQLHENV env)
{
    QStringList names;
    std::vector<SQLWCHAR> name(256);
    std::vector<SQLWCHAR> attributes(1024);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(env, direction, name.data(), SQLSMALLINT(name.size()), &nameLength,
                                         attributes.data(), SQLSMALLINT(attributes.size()), &attributesLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        names.append(fromWide(name.data(), std::min<qsizetype>(nameLength, qsizetype(name.size()) - 1)));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

QMap<QString, QString> dataSources(SQLHENV env)
{
    QMap<QString, QString> sources;
    std::vector<SQLWCHAR> name(SQL_MAX_DSN_LENGTH + 1);
    std::vector<SQLWCHAR> driver(1024);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT driverLength = 0;
        const SQLRETURN rc = SQLDataSourcesW(env, direction, name.data(), SQLSMALLINT(name.size()), &nameLength,
                                             driver.data(), SQLSMALLINT(driver.size()), &driverLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        sources.insert(fromWide(name.data(), std::min<qsizetype>(nameLength, qsizetype(name.size()) - 1)),
                       fromWide(driver.data(), std::min<qsizetype>(driverLength, qsizetype(driver.size()) - 1)));
        direction = SQL_FETCH_NEXT;
    }
    return sources;
}

}  // namespace db::odbc
