#include "db/OdbcCursor.h"

#include "db/OdbcApi.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcStatement.h"
#include "db/OdbcText.h"

#include <array>

namespace db::odbc {

namespace {

struct Column {
    QString name;
    SQLSMALLINT type = 0;
};

Column describeColumn(SQLHSTMT stmt, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR> name(128);
    for (;;) {
        SQLSMALLINT length = 0;
        Column described;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        check(SQLDescribeColW(stmt, column, name.data(), SQLSMALLINT(name.size()), &length, &described.type, &size,
                              &digits, &nullable),
              SQL_HANDLE_STMT, stmt);
        if (length < SQLSMALLINT(name.size())) {
            described.name = fromWide(name.data(), length);
            return described;
        }
        name.resize(std::size_t(length) + 1);
    }
}

// Exact numbers (decimal, money, bigint) and whatever else the program does
// not know go as text, which every driver converts back exactly.
bool isTimestampType(SQLSMALLINT t)
{
    return t == SQL_TYPE_TIMESTAMP || t == SQL_TIMESTAMP || t == SQL_TYPE_DATE || t == SQL_DATE;
}

}  // namespace

OdbcCursor::OdbcCursor(Statement statement, const QString& sql) : m_statement(std::move(statement))
{
    const SQLHSTMT stmt = m_statement.get();
    check(SQLExecDirectW(stmt, wide(sql), SQL_NTS), SQL_HANDLE_STMT, stmt);
    SQLSMALLINT count = 0;
    for (;;) {
        check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt);
        if (count > 0)
            break;
        // A row count ahead of the rows (SET NOCOUNT OFF, or a statement before the SELECT).
        const SQLRETURN rc = SQLMoreResults(stmt);
        if (rc == SQL_NO_DATA) {
            m_done = true;
            return;
        }
        check(rc, SQL_HANDLE_STMT, stmt);
    }
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(count); ++c) {
        const Column column = describeColumn(stmt, c);
        m_columns.append(column.name);
        switch (column.type) {
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIT: m_reads.push_back(Read::Integer); break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_REAL: m_reads.push_back(Read::Double); break;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: m_reads.push_back(Read::Binary); break;
        default: m_reads.push_back(isTimestampType(column.type) ? Read::Timestamp : Read::Text); break;
        }
    }
}

bool OdbcCursor::next(std::vector<ParamValue>& row)
{
    if (m_done)
        return false;
    const SQLRETURN rc = SQLFetch(m_statement.get());
    if (rc == SQL_NO_DATA) {
        m_done = true;
        // Errors of what followed the rows surface here.
        m_statement.finish();
        return false;
    }
    check(rc, SQL_HANDLE_STMT, m_statement.get());
    row.resize(m_reads.size());
    for (std::size_t c = 0; c < m_reads.size(); ++c)
        row[c] = readValue(SQLUSMALLINT(c + 1), m_reads[c]);
    return true;
}

ParamValue OdbcCursor::readValue(SQLUSMALLINT column, Read read)
{
    const SQLHSTMT stmt = m_statement.get();
    SQLLEN indicator = 0;
    switch (read) {
    case Read::Integer: {
        SQLINTEGER value = 0;
        check(SQLGetData(stmt, column, SQL_C_SLONG, &value, sizeof value, &indicator), SQL_HANDLE_STMT, stmt);
        return indicator == SQL_NULL_DATA ? ParamValue{} : ParamValue{std::int32_t(value)};
    }
    case Read::Double: {
        double value = 0;
        check(SQLGetData(stmt, column, SQL_C_DOUBLE, &value, sizeof value, &indicator), SQL_HANDLE_STMT, stmt);
        return indicator == SQL_NULL_DATA ? ParamValue{} : ParamValue{value};
    }
    case Read::Timestamp: {
        SQL_TIMESTAMP_STRUCT ts{};
        check(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator), SQL_HANDLE_STMT, stmt);
        if (indicator == SQL_NULL_DATA)
            return {};
        return Timestamp{ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, ts.fraction};
    }
    case Read::Binary: {
        // Long values come in pieces: the driver says the buffer was filled
        // and hands out the rest on the next call.
        std::array<char, 16384> buffer;
        QByteArray value;
        for (;;) {
            const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_BINARY, buffer.data(), SQLLEN(buffer.size()), &indicator);
            if (rc == SQL_NO_DATA)
                break;
            check(rc, SQL_HANDLE_STMT, stmt);
            if (indicator == SQL_NULL_DATA)
                return {};
            const bool filled = rc == SQL_SUCCESS_WITH_INFO
                             && (indicator == SQL_NO_TOTAL || indicator > SQLLEN(buffer.size()));
            value.append(buffer.data(), filled ? qsizetype(buffer.size()) : qsizetype(indicator));
            if (!filled)
                break;
        }
        return value;
    }
    case Read::Text: {
        std::optional<QString> value = readText(stmt, column);
        return value ? ParamValue{std::move(*value)} : ParamValue{};
    }
    }
    return {};
}

}  // namespace db::odbc
