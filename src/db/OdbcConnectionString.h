#pragma once

#include "db/ConnectionTarget.h"
#include "db/FreeTdsConfig.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

namespace db {

// What a connection is opened with: the ODBC string, and for FreeTDS
// checking a certificate, the section of the program's freetds.conf that
// the string names, to be written first.
struct OdbcLogin {
    QString connectionString;
    std::optional<odbc::FreeTdsSection> section{};
    QString driver{};  // the driver the string is for, as the driver manager names it; empty for a native string
};

// The ODBC string of a target for the first of the SQL Server drivers found
// in installedDrivers (as the driver manager names them): "ODBC Driver 18 for
// SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS", "SQL Server". An
// ODBC data source is reached through the driver dataSources names for it
// (data source to driver, as the driver manager lists them); a data source it
// does not name raises DbError. A native string is returned as it is.
//
// Encryption is asked for in each driver's own words, and whatever the
// driver cannot do as asked (strict encryption, a certificate checked under
// another name, any encryption with the old "SQL Server" driver) raises
// DbError: a connection is never opened less safely than asked. With no SQL
// Server driver installed, raises DbError too. A request timeout above zero
// is written for FreeTDS, which applies it to commits and rollbacks too; caFile
// is what FreeTDS checks certificates against.
OdbcLogin odbcLogin(const ConnectionTarget& target, const QStringList& installedDrivers,
                    std::chrono::seconds requestTimeout = std::chrono::seconds(0),
                    const QMap<QString, QString>& dataSources = {},
                    const QString& caFile = odbc::certificateAuthorities());

}  // namespace db
