#pragma once

#include <QString>
#include <QStringList>

namespace core {

// What a run takes from the source data link file's init string.
struct SourceParameters {
    QString password;
    QString user;
    QString server;
    QString database;
    bool keepsPassword = false;  // the init string has a Password item, even an empty one
    bool windowsLogin = false;   // Integrated Security=SSPI: the operating system's user logs in
    bool odbcDataSource = false; // Provider=MSDASQL: the server is an ODBC data source's, named by Data Source
};

// Keys are matched exactly, case and spacing included; for a key given twice
// the last one wins. A missing key leaves its value empty. A value in quotes
// is read as OLE DB reads it; the login's values without quotes lose the
// blanks around them, as OLE DB takes them.
SourceParameters parseSourceInit(const QString& initString);

// The first "Initial Catalog" of the destination init string; empty if none.
QString parseDestinationDatabase(const QString& initString);

// The string the run connects with: the source's login on the master catalog.
QString workingConnectionString(const SourceParameters& source);

// The same login on another catalog.
QString loginConnectionString(const SourceParameters& login, const QString& catalog);

// The pieces between the ';' of an init string. A value that starts with a
// double or a single quote runs to the matching quote, the quote doubled
// standing for one, and keeps any ';' inside; a quote left open, or followed
// by more than blanks, is no quoting and the value ends at the next ';'.
QStringList initStringPieces(const QString& initString);

// The text after a key's '=' as OLE DB reads it: in quotes, what they hold;
// otherwise as it is.
QString itemValue(QStringView text);

// The value as Windows writes it into an init string: in double quotes, any
// inside doubled, when it holds a ';' or a '"', starts with a '\'' or has
// blanks around it; otherwise as it is.
QString quotedValue(const QString& value);

// Whether the run must ask for the login's password: a user is named, the
// file keeps no password and does not ask for Windows authentication.
bool needsPassword(const SourceParameters& login);

// The init string with the password put in, for one run; never to be saved.
QString withPassword(const QString& initString, const QString& password);

// What a failed Windows authentication login is told with, after the
// driver's own words.
QString windowsLoginFailure(const QString& driverText);

}  // namespace core
