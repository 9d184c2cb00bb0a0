#pragma once

#include <QString>
#include <optional>

namespace server {

// The server reached through KOVARA_TEST_ODBC, an ODBC connection string for a
// login that may create and drop databases, e.g.
// "DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=1433;UID=sa;PWD=...;TDS_Version=7.4".
struct ServerSettings {
    QString odbc;      // the variable's text, used as is for setup and checks
    QString server;    // SERVER
    QString port;      // PORT, empty if not given
    QString user;      // UID
    QString password;  // PWD, braces removed

    // The server as a data link file names it: "host" or "host,port".
    QString dataSource() const;
};

inline constexpr char kVariable[] = "KOVARA_TEST_ODBC";

// Nothing when the variable is unset or empty.
std::optional<ServerSettings> settingsFromEnvironment();

// Splits an ODBC connection string into its keys (compared without regard to
// case) and values; a value in braces may hold ';' and "}}" stands for '}'.
std::optional<QString> connectionStringValue(const QString& connectionString, const QString& key);

ServerSettings parseSettings(const QString& connectionString);

}  // namespace server
