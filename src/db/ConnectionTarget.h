#pragma once

#include <QString>

namespace db {

// What a connection asks of the channel to the server.
enum class Encryption {
    DriverDefault,  // nothing asked: each driver as it always connected
    Required,       // encrypted, or no connection at all
    Strict,         // encrypted before the login (TDS 8), the certificate always checked
};

// Who logs in.
enum class Login {
    SqlServer,   // the user and password given
    Windows,     // the operating system's user: the driver's trusted connection
    DataSource,  // whatever the ODBC data source holds; nothing is sent for it
};

// Where a connection goes and how it logs in, for the driver the connection
// chooses. Either a native ODBC string, used as it is (tests, benchmarks),
// or a server or an ODBC data source with a login, which the database layer
// writes out for the driver.
struct ConnectionTarget {
    QString odbc;        // when set, everything below is unused

    QString dataSource;  // an ODBC data source of the driver manager, holding the driver and the server
    QString host;        // otherwise the server: its address
    QString instance;    // a named instance, found through the server's browser service when no port is given
    QString port;
    Login login = Login::SqlServer;
    QString user;
    QString password;
    QString database;    // empty: the login's default
    Encryption encryption = Encryption::DriverDefault;
    bool trustServerCertificate = false;  // encrypted without checking who signed the certificate
    QString certificateName;              // the name the certificate must carry; empty: the host

    static ConnectionTarget native(const QString& odbcString)
    {
        ConnectionTarget target;
        target.odbc = odbcString;
        return target;
    }

    bool operator==(const ConnectionTarget&) const = default;
};

}  // namespace db
