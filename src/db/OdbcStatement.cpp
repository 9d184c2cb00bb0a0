#include "db/OdbcStatement.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcText.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace db::odbc {

namespace {

QString columnName(SQLHSTMT stmt, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR> name(128);
    for (;;) {
        SQLSMALLINT length = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        const SQLRETURN rc = SQLDescribeColW(stmt, column, name.data(), SQLSMALLINT(name.size()), &length, &type,
                                             &size, &digits, &nullable);
        if (!SQL_SUCCEEDED(rc))
            throwDiagnostics(SQL_HANDLE_STMT, stmt);
        if (length < SQLSMALLINT(name.size()))
            return fromWide(name.data(), length);
        name.resize(std::size_t(length) + 1);
    }
}


// SQL_SUCCESS_WITH_INFO may carry a failure: a driver may report a statement
// of a batch that failed so. Records outside class 01 are that failure.
std::optional<std::vector<Diagnostic>> failureAmong(SQLRETURN rc, SQLHSTMT stmt)
{
    if (rc == SQL_SUCCESS || rc == SQL_NO_DATA)
        return std::nullopt;
    std::vector<Diagnostic> records = readDiagnostics(SQL_HANDLE_STMT, stmt);
    if (rc == SQL_SUCCESS_WITH_INFO && std::none_of(records.begin(), records.end(), isError))
        return std::nullopt;
    return records;
}

}  // namespace

// Long values come in pieces: the driver reports the truncation and hands out
// the rest on the next call. A piece is not always the whole buffer: binary
// read as text comes in whole bytes of two hex digits, so the driver may stop
// one unit short. The units it never wrote keep a value no text holds
// (U+FFFF is a noncharacter), and the piece ends at the terminator before them.
std::optional<QString> readText(SQLHSTMT stmt, SQLUSMALLINT column)
{
    constexpr SQLLEN kUnits = 512;
    constexpr SQLWCHAR kUntouched = 0xFFFF;
    SQLWCHAR buffer[kUnits];
    QString value;
    for (;;) {
        std::fill(std::begin(buffer), std::end(buffer), kUntouched);
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            throwDiagnostics(SQL_HANDLE_STMT, stmt);
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const bool truncated = rc == SQL_SUCCESS_WITH_INFO
                            && (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer));
        if (truncated) {
            qsizetype end = kUnits - 1;
            while (end > 0 && buffer[end] == kUntouched)
                --end;
            value.append(fromWide(buffer, end));
            continue;
        }
        value.append(fromWide(buffer, indicator / SQLLEN(sizeof(SQLWCHAR))));
        break;
    }
    return value;
}

Statement::Statement(Handle handle) : m_handle(std::move(handle)) {}

void Statement::check(SQLRETURN rc, const QString& failureSuffix) const
{
    if (const std::optional<std::vector<Diagnostic>> failure = failureAmong(rc, get()))
        throwFailure(*failure, failureSuffix);
}

void Statement::executeDirect(const QString& sql)
{
    check(SQLExecDirectW(get(), wide(sql), SQL_NTS));
}

void Statement::prepare(const QString& sql, int markerCount)
{
    check(SQLPrepareW(get(), wide(sql), SQL_NTS));
    m_described.assign(std::size_t(markerCount), std::nullopt);
    for (int i = 0; i < markerCount; ++i) {
        ParamDescription d;
        SQLSMALLINT nullable = 0;
        const SQLRETURN rc =
            SQLDescribeParam(get(), SQLUSMALLINT(i + 1), &d.sqlType, &d.columnSize, &d.decimalDigits, &nullable);
        if (!SQL_SUCCEEDED(rc))
            break;  // not supported by the driver, or not for this statement: the value's own type goes
        m_described[std::size_t(i)] = d;
    }
}

void Statement::executePrepared(const std::vector<ParamValue>& values, const QString& failureSuffix)
{
    ParameterBlock block(std::span(&values, 1), m_described);
    SQLFreeStmt(get(), SQL_RESET_PARAMS);
    try {
        block.bind(get());
    } catch (const DbError& e) {
        throw DbError(e.message() + failureSuffix);
    }
    const SQLRETURN rc = SQLExecute(get());
    // The records go with the next call on the handle, so they are read first;
    // the bindings point into the block, which is about to go.
    const std::optional<std::vector<Diagnostic>> failure = failureAmong(rc, get());
    SQLFreeStmt(get(), SQL_RESET_PARAMS);
    if (failure)
        throwFailure(*failure, failureSuffix);
}

ResultSet Statement::fetchAll()
{
    ResultSet result;
    SQLSMALLINT columns = 0;
    for (;;) {
        check(SQLNumResultCols(get(), &columns));
        if (columns > 0)
            break;
        // A row count ahead of the rows (SET NOCOUNT OFF, or a statement before the SELECT).
        const SQLRETURN rc = SQLMoreResults(get());
        if (rc == SQL_NO_DATA)
            return result;
        check(rc);
    }

    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c)
        result.columns.append(columnName(get(), c));

    for (;;) {
        const SQLRETURN rc = SQLFetch(get());
        if (rc == SQL_NO_DATA)
            break;
        check(rc);
        ResultSet::Row row;
        row.reserve(std::size_t(columns));
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c)
            row.push_back(readText(get(), c));
        result.rows.push_back(std::move(row));
    }
    return result;
}

void Statement::finish(const QString& failureSuffix)
{
    for (;;) {
        const SQLRETURN rc = SQLMoreResults(get());
        if (rc == SQL_NO_DATA)
            break;
        check(rc, failureSuffix);
    }
    SQLFreeStmt(get(), SQL_CLOSE);
}

}  // namespace db::odbc
