#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <chrono>

namespace db {

// Whether the string is an OLE DB one ("Provider=SQLOLEDB.1;...") rather than
// a native ODBC connection string.
bool isOleDbConnectionString(const QString& connectionString);

// Turns an OLE DB connection string for SQL Server into an ODBC one for the
// first of the SQL Server drivers found in installedDrivers (as the driver
// manager names them): "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for
// SQL Server", "FreeTDS", "SQL Server". Data Source, User ID, Password and
// Initial Catalog are carried over, or Integrated Security=SSPI as the
// driver's trusted connection in place of the user and password; other keys
// are dropped. Provider=MSDASQL names a data source of the driver manager
// in its Data Source: the string connects through it, with the login and
// the database given, written for the driver dataSources names for it (data
// source to driver, as the driver manager lists them); a data source it does
// not name raises DbError. Any other string
// is returned unchanged. With no SQL Server driver installed, raises DbError.
// A request timeout above zero is written for FreeTDS, which applies it to
// commits and rollbacks too.
QString odbcConnectionString(const QString& connectionString, const QStringList& installedDrivers,
                             std::chrono::seconds requestTimeout = std::chrono::seconds(0),
                             const QMap<QString, QString>& dataSources = {});

}  // namespace db
