#include "db/OdbcConnectionString.h"

#include "db/DbError.h"

#include <QMap>
#include <array>
#include <optional>

namespace db {

namespace {

const std::array<QString, 4> kPreferredDrivers = {
    QStringLiteral("ODBC Driver 18 for SQL Server"),
    QStringLiteral("ODBC Driver 17 for SQL Server"),
    QStringLiteral("FreeTDS"),
    QStringLiteral("SQL Server"),
};

// Keys are lower-cased; values unquoted. Later keys win, as in OLE DB.
QMap<QString, QString> parseOleDb(const QString& text)
{
    QMap<QString, QString> items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;

        QString value;
        if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
            // A quoted value; the quote doubled stands for itself.
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value.append(quote);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value.append(text[i++]);
            }
            const qsizetype semi = text.indexOf(u';', i);
            i = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(u';', i);
            const qsizetype end = semi < 0 ? n : semi;
            value = text.mid(i, end - i).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty())
            items.insert(key, value);
    }
    return items;
}

QString firstOf(const QMap<QString, QString>& items, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const auto it = items.constFind(QLatin1String(key));
        if (it != items.cend())
            return *it;
    }
    return {};
}

struct DataSource {
    QString host;
    QString instance;
    QString port;
};

DataSource parseDataSource(QString text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();
    else if (text.startsWith(QLatin1String("lpc:"), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();  // shared memory: this machine, which TCP reaches too

    DataSource ds;
    const qsizetype comma = text.lastIndexOf(u',');
    if (comma >= 0) {
        ds.port = text.mid(comma + 1).trimmed();
        text = text.left(comma).trimmed();
    }
    const qsizetype slash = text.indexOf(u'\\');
    if (slash >= 0) {
        ds.instance = text.mid(slash + 1).trimmed();
        text = text.left(slash).trimmed();
    }
    if (text.isEmpty() || text == QLatin1String(".") || text.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        text = QStringLiteral("127.0.0.1");
    ds.host = text;
    return ds;
}

bool needsBraces(const QString& value)
{
    return value.contains(u';') || value.contains(u'{') || value.contains(u'}') || value.contains(u'=')
        || value != value.trimmed();
}

QString braced(QString value)
{
    value.replace(QLatin1String("}"), QLatin1String("}}"));
    return u'{' + value + u'}';
}

// FreeTDS up to 1.3 ends a braced value at the first "};" and takes every
// '}' before it as it is, a doubled one too. So a value with '}' goes
// unbraced where it can be, braced as it is otherwise; one holding "};"
// cannot be given at all.
QString freeTdsValue(const QString& value, bool credential)
{
    if (value.contains(u'}') && !value.contains(u';') && !value.startsWith(u'{') && value == value.trimmed())
        return value;
    if (value.contains(QLatin1String("};")))
        throw DbError(QStringLiteral("O controlador FreeTDS não consegue receber um valor da ligação que contenha «};»: "
                                     "mude-o, ou use o controlador ODBC da Microsoft"));
    return credential || needsBraces(value) ? u'{' + value + u'}' : value;
}

QString item(const char* key, const QString& value)
{
    return QLatin1String(key) + u'=' + value + u';';
}

QString plainOrBraced(const QString& value)
{
    return needsBraces(value) ? braced(value) : value;
}

bool asksWindowsLogin(const QMap<QString, QString>& items)
{
    return firstOf(items, {"integrated security"}).compare(QLatin1String("SSPI"), Qt::CaseInsensitive) == 0;
}

// OLE DB's provider for ODBC names a data source of the driver manager, which
// holds the driver and the server; the link gives the login and the database.
QString dataSourceConnectionString(const QMap<QString, QString>& items, const QMap<QString, QString>& dataSources)
{
    const QString name = firstOf(items, {"data source", "dsn"});
    std::optional<QString> driver;
    for (auto it = dataSources.cbegin(); it != dataSources.cend(); ++it) {
        if (it.key().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            driver = it.value();
    }
    if (!driver)
        throw DbError(QStringLiteral("O ficheiro de ligação usa o fornecedor OLE DB para ODBC (MSDASQL), e a origem de "
                                     "dados ODBC \"%1\" do seu Data Source não existe neste computador: crie-a, ou "
                                     "escreva o ficheiro para o fornecedor do SQL Server com o nome do servidor")
                          .arg(name));
    const bool freeTds = driver->contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive) ||
                         driver->contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive);
    const auto credential = [&](const QString& value) { return freeTds ? freeTdsValue(value, true) : braced(value); };

    QString out = item("DSN", plainOrBraced(name));
    if (asksWindowsLogin(items))
        out += item("Trusted_Connection", QStringLiteral("Yes"));
    else
        out += item("UID", credential(firstOf(items, {"user id", "uid", "user"}))) +
               item("PWD", credential(firstOf(items, {"password", "pwd"})));
    const QString database = firstOf(items, {"initial catalog", "database"});
    if (!database.isEmpty())
        out += item("DATABASE", plainOrBraced(database));
    return out;
}

}  // namespace

bool isOleDbConnectionString(const QString& connectionString)
{
    return connectionString.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive);
}

QString odbcConnectionString(const QString& connectionString, const QStringList& installedDrivers,
                             std::chrono::seconds requestTimeout, const QMap<QString, QString>& dataSources)
{
    if (!isOleDbConnectionString(connectionString))
        return connectionString;

    const QMap<QString, QString> items = parseOleDb(connectionString);
    if (firstOf(items, {"provider"}).startsWith(QLatin1String("MSDASQL"), Qt::CaseInsensitive))
        return dataSourceConnectionString(items, dataSources);

    QString driver;
    for (const QString& candidate : kPreferredDrivers) {
        for (const QString& installed : installedDrivers) {
            if (installed.trimmed().compare(candidate, Qt::CaseInsensitive) == 0) {
                driver = candidate;
                break;
            }
        }
        if (!driver.isEmpty())
            break;
    }
    if (driver.isEmpty())
        throw DbError(QStringLiteral("Nenhum controlador ODBC para SQL Server está instalado "
                                     "(ODBC Driver 18 for SQL Server, ODBC Driver 17 for SQL Server, FreeTDS ou SQL Server)"));

    const DataSource ds = parseDataSource(firstOf(items, {"data source", "server", "address", "addr", "network address"}));
    const QString user = firstOf(items, {"user id", "uid", "user"});
    const QString password = firstOf(items, {"password", "pwd"});
    const QString database = firstOf(items, {"initial catalog", "database"});
    const bool windowsLogin = asksWindowsLogin(items);
    // The driver logs in as the operating system's user: Windows' own on
    // Windows, the Kerberos ticket's with FreeTDS.
    const QString login = windowsLogin ? item("Trusted_Connection", QStringLiteral("Yes")) : QString();
    const bool freeTds = driver == QLatin1String("FreeTDS");

    QString out = item("DRIVER", braced(driver));
    if (freeTds) {
        // FreeTDS takes the port as its own key, and finds a named instance
        // itself (through the server's browser service) when no port is given.
        QString host = ds.host;
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        if (!ds.port.isEmpty())
            out += item("SERVER", freeTdsValue(host, false)) + item("PORT", freeTdsValue(ds.port, false));
        else
            out += item("SERVER", freeTdsValue(ds.instance.isEmpty() ? host : host + u'\\' + ds.instance, false));
        out += windowsLogin ? login : item("UID", freeTdsValue(user, true)) + item("PWD", freeTdsValue(password, true));
        if (!database.isEmpty())
            out += item("DATABASE", freeTdsValue(database, false));
        // Every Microsoft server answers a 7.4 login with its own version. Left
        // to choose, FreeTDS tries Sybase's 5.0 after a failed login, and with
        // a server that takes connections but never answers, that attempt
        // never ends.
        out += item("TDS_Version", QStringLiteral("7.4"));
        // FreeTDS holds a commit or rollback to no statement's timeout, only
        // to this one of its own.
        if (requestTimeout.count() > 0)
            out += item("Timeout", QString::number(requestTimeout.count()));
    } else {
        QString server = ds.host;
        if (!ds.instance.isEmpty())
            server += u'\\' + ds.instance;
        if (!ds.port.isEmpty())
            server += u',' + ds.port;
        out += item("SERVER", plainOrBraced(server));
        out += windowsLogin ? login : item("UID", braced(user)) + item("PWD", braced(password));
        if (!database.isEmpty())
            out += item("DATABASE", plainOrBraced(database));
        // Driver 18 insists on encryption by default; servers of the era this
        // tool serves often cannot do it.
        if (driver == kPreferredDrivers[0])
            out += item("Encrypt", QStringLiteral("Optional"));
    }
    return out;
}

}  // namespace db
