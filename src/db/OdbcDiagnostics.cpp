#include "db/OdbcDiagnostics.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcText.h"

#include <algorithm>

namespace db::odbc {

namespace {

// "The transaction ended in the trigger. The batch has been aborted."
constexpr SQLINTEGER kTransactionEndedInTrigger = 3609;
// "Transaction count after EXECUTE indicates a mismatching number of BEGIN
// and COMMIT statements": a prepared statement's trigger changed the level.
constexpr SQLINTEGER kTransactionCountChanged = 266;

bool isTrailingJunk(QChar c)
{
    return c == u'.' || c.isSpace() || c.category() == QChar::Other_Control;
}

}  // namespace

QString cleanDiagnosticText(const QString& text)
{
    qsizetype start = 0;
    for (;;) {
        while (start < text.size() && text[start].isSpace())
            ++start;
        if (start >= text.size() || text[start] != u'[')
            break;
        const qsizetype close = text.indexOf(u']', start);
        if (close < 0)
            break;
        start = close + 1;
    }
    qsizetype end = text.size();
    while (end > start && isTrailingJunk(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<Diagnostic> records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        std::vector<SQLWCHAR> message(SQL_MAX_MESSAGE_LENGTH + 1);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &nativeError, message.data(),
                                      SQLSMALLINT(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(std::size_t(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &nativeError, message.data(),
                                SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;

        Diagnostic d;
        d.sqlState = fromWide(state, 5);
        d.nativeError = nativeError;
        d.text = fromWide(message.data(), std::min<qsizetype>(length, qsizetype(message.size()) - 1));
        if (handleType == SQL_HANDLE_STMT) {
            SQLLEN row = 0;
            if (SQLGetDiagFieldW(handleType, handle, i, SQL_DIAG_ROW_NUMBER, &row, SQL_IS_INTEGER, nullptr) == SQL_SUCCESS)
                d.rowNumber = row;
        }
        records.push_back(std::move(d));
    }
    return records;
}

QString failureMessage(const std::vector<Diagnostic>& records)
{
    if (records.empty())
        return QStringLiteral("ODBC error");
    const Diagnostic* chosen = &records.front();
    for (const Diagnostic& d : records) {
        if (isError(d)) {
            chosen = &d;
            break;
        }
    }
    const QString text = cleanDiagnosticText(chosen->text);
    return text.isEmpty() ? QStringLiteral("ODBC error ") + chosen->sqlState : text;
}

bool transactionLostIn(const std::vector<Diagnostic>& records)
{
    if (std::any_of(records.begin(), records.end(),
                    [](const Diagnostic& d) { return d.nativeError == kTransactionEndedInTrigger; }))
        return true;
    const auto firstError = std::find_if(records.begin(), records.end(), isError);
    return firstError != records.end()
        && (firstError->nativeError == kTransactionCountChanged || firstError->text.contains(kLevelChanged));
}

void throwFailure(const std::vector<Diagnostic>& records, const QString& suffix)
{
    const QString text = failureMessage(records) + suffix;
    if (transactionLostIn(records))
        throw TransactionLost(text);
    throw DbError(text);
}

void throwDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const QString& suffix)
{
    throwFailure(readDiagnostics(handleType, handle), suffix);
}

void throwConnectFailure(SQLHDBC dbc)
{
    const std::vector<Diagnostic> records = readDiagnostics(SQL_HANDLE_DBC, dbc);
    DbError error(failureMessage(records));
    error.setConnect(DbError::Connect::ChannelFailed);
    for (const Diagnostic& d : records) {
        if (d.sqlState == QLatin1String("28000") || (d.nativeError >= 18450 && d.nativeError < 18500))
            error.setConnect(DbError::Connect::LoginRefused);
    }
    throw error;
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle)
{
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA)
        return;
    throwDiagnostics(handleType, handle);
}

}  // namespace db::odbc
