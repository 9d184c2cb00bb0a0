#include "core/LinkCheck.h"

#include "core/InitString.h"

#include <memory>

namespace core {

namespace {

// Closes the connection however the check ends.
class OpenConnection {
public:
    OpenConnection(db::Connection& connection, const LinkSettings& settings, const QString& catalog)
        : m_connection(connection)
    {
        m_connection.setConnectionString(
            loginConnectionString({settings.password, settings.user, settings.server, QString()}, catalog));
        m_connection.open();
    }
    ~OpenConnection() { m_connection.close(); }

    OpenConnection(const OpenConnection&) = delete;
    OpenConnection& operator=(const OpenConnection&) = delete;

private:
    db::Connection& m_connection;
};

}  // namespace

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
