#pragma once

#include "db/OdbcApi.h"

#include <QString>
#include <vector>

namespace db::odbc {

struct Diagnostic {
    QString sqlState;
    QString text;        // as the driver wrote it
    SQLLEN rowNumber = 0;  // the parameter set it belongs to, 1-based; 0 when unknown
    SQLINTEGER nativeError = 0;  // the server's own number for it
};

// SQLSTATE class 01 is a warning; everything else that is recorded failed.
inline bool isError(const Diagnostic& d)
{
    return !d.sqlState.startsWith(QLatin1String("01"));
}

// SQLSTATE class 08: the connection failed or is gone.
inline bool isConnectionLoss(const Diagnostic& d)
{
    return d.sqlState.startsWith(QLatin1String("08"));
}

// What the write guard raises when the open transaction is not at the level
// the program opened it at once its statement has run: a trigger's COMMIT or
// ROLLBACK changed it.
inline const QString kLevelChanged = QStringLiteral("A transacção não está no nível em que o programa a abriu");

// Whether the records tell of the destination acting on its own rather than
// refusing: SQL Server's 3609 ("the transaction ended in the trigger") among
// them, or as the first error the guard's kLevelChanged or 266 (a prepared
// statement left another level than it found). A refusal that ended the
// transaction (some servers end it at any error) stays a refusal, and so do
// the guard's refusals to run after it, in later parameter sets or
// statements: the program's own failure, a read's too, may have ended it.
bool transactionLostIn(const std::vector<Diagnostic>& records);

// The driver's text ready to show: without the "[vendor][driver]..." prefixes
// and without trailing full stops, blanks and control characters.
QString cleanDiagnosticText(const QString& text);

// The records the last call on the handle left.
std::vector<Diagnostic> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// The first error record (warnings are passed over when an error follows
// them), cleaned; "ODBC error " + its SQLSTATE when that leaves no text.
QString failureMessage(const std::vector<Diagnostic>& records);

// The failure the records tell, with the suffix: TransactionLost where they
// tell of the destination acting on its own, otherwise DbError.
[[noreturn]] void throwFailure(const std::vector<Diagnostic>& records, const QString& suffix = {});

[[noreturn]] void throwDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const QString& suffix = {});

// The same for a connection that could not be opened, saying whether the
// server refused the login: SQLSTATE 28000, or SQL Server's own login
// failures (18450 to 18499), which FreeTDS reports under another state.
[[noreturn]] void throwConnectFailure(SQLHDBC dbc);

// SQL_SUCCESS, SQL_SUCCESS_WITH_INFO and SQL_NO_DATA (a statement that
// touched no rows) pass; anything else raises DbError from the handle's records.
void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace db::odbc
