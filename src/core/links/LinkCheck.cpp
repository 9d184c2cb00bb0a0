#include "core/links/LinkCheck.h"

#include "core/links/InitString.h"
#include "db/DbError.h"

#include <memory>

namespace core {

namespace {

// Closes the connection however the check ends.
class OpenConnection {
public:
    OpenConnection(db::Connection& connection, const Link& link, const QString& catalog) : m_connection(connection)
    {
        openAs(m_connection, link, catalog);
    }
    ~OpenConnection() { m_connection.close(); }

    OpenConnection(const OpenConnection&) = delete;
    OpenConnection& operator=(const OpenConnection&) = delete;

private:
    db::Connection& m_connection;
};

}  // namespace

void openAs(db::Connection& connection, const Link& link, const QString& catalog)
{
    connection.setTarget(connectionTarget(link, catalog));
    try {
        connection.open();
    } catch (const db::DbError& e) {
        if (e.connect() == db::DbError::Connect::ChannelFailed && link.asksEncryption())
            throw db::DbError(encryptionRefused(link, e.message()));
        if (link.login != LinkLogin::Windows)
            throw;
        throw db::DbError(windowsLoginFailure(e.message()));
    }
}

QString encryptionRefused(const Link& link, const QString& driverText)
{
    QString said = driverText.trimmed();
    if (said.endsWith(u'.'))
        said.chop(1);
    if (link.trustServerCertificate)
        return QStringLiteral("Não foi possível estabelecer a ligação cifrada que o ficheiro de ligação %1 pede: o "
                              "servidor %2 não oferece cifra (%3). Ligue a cifra no servidor.")
            .arg(link.path, link.server, said);
    return QStringLiteral("Não foi possível estabelecer a ligação cifrada que o ficheiro de ligação %1 pede: o "
                          "servidor %2 não oferece cifra, ou o seu certificado não é de confiança (%3). Ligue a cifra "
                          "no servidor, ou, se conhece o servidor, marque «Confiar no certificado do servidor» no "
                          "editor da ligação.")
        .arg(link.path, link.server, said);
}

void testConnection(db::Connection& connection, const Link& link)
{
    const OpenConnection open(connection, link, link.database.isEmpty() ? QStringLiteral("master") : link.database);
}

QStringList listDatabases(db::Connection& connection, const Link& link)
{
    const OpenConnection open(connection, link, QStringLiteral("master"));
    const std::unique_ptr<db::Query> query = connection.createQuery(QStringLiteral("q_bases"));
    query->setSql(QStringLiteral("SELECT name FROM sys.databases WHERE HAS_DBACCESS(name) = 1 ORDER BY name"));
    query->open();
    QStringList names;
    for (; !query->eof(); query->next())
        names.append(query->asText(0));
    return names;
}

}  // namespace core
