#include "db/OdbcQuery.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcArrayStatus.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcSession.h"

#include <algorithm>

namespace db::odbc {

namespace {

// Beyond this a batch goes row by row rather than build huge arrays of text.
constexpr std::size_t kMaxArrayBytes = 32u * 1024u * 1024u;

// Once the server has ended a transaction on its own (an error that dooms
// it, a trigger's ROLLBACK or COMMIT), a driver goes on with the later sets
// of a parameter array, and the caller may go on with later statements, each
// then committed on its own. Inside a transaction, every write runs only at
// the level the program opened it at, and the level is asked again after it:
// a trigger's lone COMMIT one level down, which commits nothing, changes it.
// The mark, written first, has opened the transaction on the server whatever
// the driver defers.
QString guarded(const QString& sql, int level)
{
    return QStringLiteral("IF @@TRANCOUNT = %1 BEGIN %2; IF @@TRANCOUNT <> %1 RAISERROR(N'%3', 16, 1) END "
                          "ELSE RAISERROR(N'A transacção já terminou', 16, 1)")
        .arg(QString::number(level), sql, kLevelChanged);
}

QString rowSuffix(qsizetype row)
{
    return QStringLiteral(" (linha %1)").arg(row);
}

// Turns a prepared statement into an array execution and back: the status
// buffers belong to the caller, so the statement must forget them on the way out.
class ArrayExecution {
public:
    explicit ArrayExecution(SQLHSTMT stmt) : m_stmt(stmt) {}
    ~ArrayExecution()
    {
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        SQLFreeStmt(m_stmt, SQL_RESET_PARAMS);
        SQLSetStmtAttr(m_stmt, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
        SQLSetStmtAttr(m_stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), 0);
    }
    ArrayExecution(const ArrayExecution&) = delete;
    ArrayExecution& operator=(const ArrayExecution&) = delete;

    // False where the driver refuses the array size or quietly changes it.
    bool start(SQLULEN sets, SQLUSMALLINT* statuses)
    {
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(m_stmt, SQL_ATTR_PARAM_BIND_TYPE,
                                          reinterpret_cast<SQLPOINTER>(SQLULEN(SQL_PARAM_BIND_BY_COLUMN)), 0)))
            return false;
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(m_stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(sets), 0)))
            return false;
        SQLULEN accepted = 0;
        if (!SQL_SUCCEEDED(SQLGetStmtAttr(m_stmt, SQL_ATTR_PARAMSET_SIZE, &accepted, 0, nullptr)) || accepted != sets)
            return false;
        return SQL_SUCCEEDED(SQLSetStmtAttr(m_stmt, SQL_ATTR_PARAM_STATUS_PTR, statuses, 0));
    }

private:
    SQLHSTMT m_stmt;
};

}  // namespace

struct OdbcQuery::Batch {
    QString sql;
    Statement statement;
    bool arrays = false;
};

OdbcQuery::OdbcQuery(Session& session, const QString& name) : Query(name), m_session(session) {}

OdbcQuery::~OdbcQuery() = default;

Statement OdbcQuery::newStatement() const
{
    if (!m_session.isOpen())
        fail(QStringLiteral("The connection is not open"));
    return Statement(m_session.newStatement());
}

Statement OdbcQuery::run(const NamedStatement& statement, const std::vector<ParamValue>& values)
{
    Statement stmt = newStatement();
    if (values.empty()) {
        stmt.executeDirect(statement.text);
    } else {
        stmt.prepare(statement.text, int(values.size()));
        stmt.executePrepared(values);
    }
    return stmt;
}

QString OdbcQuery::writeText(const QString& sql) const
{
    const int level = m_session.guardedLevel();
    return level > 0 ? guarded(sql, level) : sql;
}

template <typename Write>
void OdbcQuery::write(Write&& write)
{
    try {
        write();
    } catch (const TransactionLost&) {
        m_session.transactionLost();
        throw;
    }
}

void OdbcQuery::runExecute(const NamedStatement& statement, const std::vector<ParamValue>& values)
{
    write([&] { run(NamedStatement{writeText(statement.text), statement.names}, values).finish(); });
}

ResultSet OdbcQuery::runOpen(const NamedStatement& statement, const std::vector<ParamValue>& values)
{
    Statement stmt = run(statement, values);
    ResultSet result = stmt.fetchAll();
    stmt.finish();
    return result;
}

void OdbcQuery::runBatch(const NamedStatement& statement, const std::vector<std::vector<ParamValue>>& rows,
                         int firstRow)
{
    if (rows.empty())
        return;
    write([&] { runBatchOf(statement, rows, firstRow); });
}

void OdbcQuery::runBatchOf(const NamedStatement& statement, const std::vector<std::vector<ParamValue>>& rows,
                           int firstRow)
{
    const QString text = writeText(statement.text);
    if (!m_batch || m_batch->sql != text) {
        m_batch.reset();
        auto batch = std::make_unique<Batch>(Batch{text, newStatement()});
        batch->statement.prepare(text, int(statement.names.size()));
        batch->arrays = !statement.names.isEmpty() && m_session.wantsParameterArrays();
        m_batch = std::move(batch);
    }
    if (m_batch->arrays && rows.size() > 1 && ParameterBlock::estimatedBytes(rows) <= kMaxArrayBytes
        && runArray(rows, firstRow))
        return;
    runRowByRow(rows, firstRow);
}

bool OdbcQuery::runArray(const std::vector<std::vector<ParamValue>>& rows, int firstRow)
{
    const SQLHSTMT stmt = m_batch->statement.get();
    std::vector<SQLUSMALLINT> statuses(rows.size(), SQL_PARAM_UNUSED);
    ArrayExecution execution(stmt);
    if (!execution.start(SQLULEN(rows.size()), statuses.data())) {
        m_batch->arrays = false;
        return false;
    }

    ParameterBlock block(rows, m_batch->statement.described());
    block.bind(stmt);

    // The SQL Server drivers go on with the later sets after one fails and
    // answer SQL_SUCCESS_WITH_INFO; the failure may also surface only while
    // the later sets' results are walked. The first error seen is the one
    // told, read before the next call clears it.
    std::optional<QString> error;
    bool lostConnection = false;
    bool lostTransaction = false;
    SQLLEN errorRow = 0;
    const auto setFailed = [&] { return std::find(statuses.begin(), statuses.end(), SQL_PARAM_ERROR) != statuses.end(); };
    const auto note = [&](SQLRETURN rc) {
        if (error || (rc != SQL_ERROR && rc != SQL_SUCCESS_WITH_INFO && !setFailed()))
            return;
        const std::vector<Diagnostic> records = readDiagnostics(SQL_HANDLE_STMT, stmt);
        const auto firstError = std::find_if(records.begin(), records.end(), isError);
        if (rc != SQL_ERROR && firstError == records.end())
            return;
        error = failureMessage(records);
        lostConnection = std::any_of(records.begin(), records.end(), isConnectionLoss);
        lostTransaction = transactionLostIn(records);
        if (firstError != records.end())
            errorRow = firstError->rowNumber;
    };

    SQLRETURN rc = SQLExecute(stmt);
    note(rc);
    while (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        rc = SQLMoreResults(stmt);
        note(rc);
    }
    const bool failed = error || rc != SQL_NO_DATA || setFailed();
    if (failed) {
        // FreeTDS tells a connection lost while it sends the array as a bare
        // "Unknown error"; ODBC's name for that state says what happened.
        const bool lost = lostConnection || m_session.connectionLost();
        if (lost && !lostConnection)
            error = QStringLiteral("Communication link failure");
        const std::optional<int> set = failedParameterSet(statuses, errorRow);
        const QString reason = error.value_or(QStringLiteral("ODBC error"));
        const QString text = reason + (set ? rowSuffix(qsizetype(firstRow) + *set) : QStringLiteral(" (linha desconhecida)"));
        const auto atRow = [&](auto failure) {
            // A connection lost at a row is not that row's fault.
            if (set && !lost)
                failure.setRow(firstRow + *set, reason);
            throw failure;
        };
        if (lostTransaction)
            atRow(TransactionLost(text));
        atRow(DbError(text));
    }
    return true;
}

void OdbcQuery::runRowByRow(const std::vector<std::vector<ParamValue>>& rows, int firstRow)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString suffix = rowSuffix(qsizetype(firstRow) + qsizetype(i));
        try {
            m_batch->statement.executePrepared(rows[i], suffix);
            m_batch->statement.finish(suffix);
        } catch (DbError& failure) {
            if (failure.message().endsWith(suffix) && !m_session.connectionLost())
                failure.setRow(firstRow + int(i), failure.message().chopped(suffix.size()));
            throw;
        }
    }
}

void OdbcQuery::endBatches()
{
    m_batch.reset();
}

}  // namespace db::odbc
