#include "core/links/LinkCheck.h"

#include "db/DbError.h"

#include <memory>

namespace core {

namespace {

SourceParameters loginOf(const LinkSettings& settings)
{
    SourceParameters login;
    login.password = settings.password;
    login.user = settings.user;
    login.server = settings.server;
    login.windowsLogin = settings.windowsLogin;
    login.odbcDataSource = settings.odbcDataSource;
    return login;
}

// Closes the connection however the check ends.
class OpenConnection {
public:
    OpenConnection(db::Connection& connection, const LinkSettings& settings, const QString& catalog)
        : m_connection(connection)
    {
        openAs(m_connection, loginOf(settings), catalog);
    }
    ~OpenConnection() { m_connection.close(); }

    OpenConnection(const OpenConnection&) = delete;
    OpenConnection& operator=(const OpenConnection&) = delete;

private:
    db::Connection& m_connection;
};

}  // namespace

void openAs(db::Connection& connection, const SourceParameters& login, const QString& catalog)
{
    connection.setConnectionString(loginConnectionString(login, catalog));
    try {
        connection.open();
    } catch (const db::DbError& e) {
        if (!login.windowsLogin)
            throw;
        throw db::DbError(windowsLoginFailure(e.message()));
    }
}

void testConnection(db::Connection& connection, const LinkSettings& settings)
{
    const OpenConnection open(connection, settings,
                              settings.database.isEmpty() ? QStringLiteral("master") : settings.database);
}

QStringList listDatabases(db::Connection& connection, const LinkSettings& settings)
{
    const OpenConnection open(connection, settings, QStringLiteral("master"));
    const std::unique_ptr<db::Query> query = connection.createQuery(QStringLiteral("q_bases"));
    query->setSql(QStringLiteral("SELECT name FROM sys.databases WHERE HAS_DBACCESS(name) = 1 ORDER BY name"));
    query->open();
    QStringList names;
    for (; !query->eof(); query->next())
        names.append(query->asText(0));
    return names;
}

}  // namespace core
