#include "db/OdbcConnectionString.h"

#include "db/DbError.h"

#include <QRegularExpression>
#include <QSysInfo>
#include <array>
#include <functional>
#include <optional>

namespace db {

namespace {

const std::array<QString, 4> kPreferredDrivers = {
    QStringLiteral("ODBC Driver 18 for SQL Server"),
    QStringLiteral("ODBC Driver 17 for SQL Server"),
    QStringLiteral("FreeTDS"),
    QStringLiteral("SQL Server"),
};

// What a driver can be asked about encryption.
enum class DriverKind {
    Microsoft18,  // Encrypt=yes|no|strict, TrustServerCertificate, HostNameInCertificate
    Microsoft,    // the older ones: Encrypt=yes|no and TrustServerCertificate only
    FreeTds,      // Encryption=require; the certificate checked only through freetds.conf
    OldSqlServer, // the "SQL Server" driver of every Windows: nothing it can be held to
    Unknown,
};

DriverKind kindOf(const QString& driver)
{
    if (driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive) ||
        driver.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive))
        return DriverKind::FreeTds;
    static const QRegularExpression numbered(QStringLiteral("ODBC Driver (\\d+) for SQL Server"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = numbered.match(driver);
    if (match.hasMatch())
        return match.captured(1).toInt() >= 18 ? DriverKind::Microsoft18 : DriverKind::Microsoft;
    if (driver.contains(QLatin1String("SQL Server Native Client"), Qt::CaseInsensitive))
        return DriverKind::Microsoft;
    if (driver.trimmed().compare(QLatin1String("SQL Server"), Qt::CaseInsensitive) == 0)
        return DriverKind::OldSqlServer;
    return DriverKind::Unknown;
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

bool asksEncryption(const ConnectionTarget& target)
{
    return target.encryption != Encryption::DriverDefault;
}

// The name the certificate is checked under, when it is not the host's.
std::optional<QString> otherCertificateName(const ConnectionTarget& target)
{
    if (target.certificateName.isEmpty() || target.certificateName.compare(target.host, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return target.certificateName;
}

// A driver that checks the certificate under the name it connects to can
// still reach this machine by its own name where the host is a loopback
// address: the same server, under the name its certificate carries.
std::optional<QString> hostByCertificateName(const ConnectionTarget& target)
{
    const std::optional<QString> name = otherCertificateName(target);
    const bool loopback = target.host.startsWith(QLatin1String("127.")) || target.host == QLatin1String("::1");
    if (name && loopback && name->compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0)
        return name;
    return std::nullopt;
}

DbError cannotEncrypt(const QString& driver, const QString& what)
{
    return DbError(QStringLiteral("O ficheiro de ligação pede %1, e o controlador ODBC %2 não o consegue fazer: "
                                  "instale o ODBC Driver 18 for SQL Server, ou mude o pedido no ficheiro de ligação")
                       .arg(what, driver));
}

DbError cannotCheckUnderName(const QString& driver, const QString& name)
{
    return DbError(QStringLiteral("O ficheiro de ligação pede que o certificado do servidor seja verificado com o nome "
                                  "«%1», e o controlador ODBC %2 só o verifica com o nome a que liga: escreva esse "
                                  "nome no Data Source, ou instale o ODBC Driver 18 for SQL Server")
                       .arg(name, driver));
}

// The items that ask a Microsoft driver for the encryption of the target;
// nothing when it asks none. Raises DbError for what the driver cannot do.
QString microsoftEncryption(DriverKind kind, const QString& driver, const ConnectionTarget& target)
{
    if (!asksEncryption(target))
        return {};
    if (kind == DriverKind::OldSqlServer || kind == DriverKind::Unknown)
        throw cannotEncrypt(driver, QStringLiteral("uma ligação cifrada"));
    const bool strict = target.encryption == Encryption::Strict;
    if (strict && kind != DriverKind::Microsoft18)
        throw cannotEncrypt(driver, QStringLiteral("a cifra estrita (Strict)"));
    QString out = item("Encrypt", strict ? QStringLiteral("strict") : QStringLiteral("yes")) +
                  item("TrustServerCertificate", target.trustServerCertificate ? QStringLiteral("yes")
                                                                               : QStringLiteral("no"));
    if (const std::optional<QString> name = otherCertificateName(target)) {
        if (kind != DriverKind::Microsoft18 && !target.trustServerCertificate && !hostByCertificateName(target))
            throw cannotCheckUnderName(driver, *name);
        if (kind == DriverKind::Microsoft18)
            out += item("HostNameInCertificate", plainOrBraced(*name));
    }
    return out;
}

QString loginItems(const ConnectionTarget& target, const std::function<QString(const QString&)>& credential)
{
    switch (target.login) {
    case Login::Windows:
        // The driver logs in as the operating system's user: Windows' own on
        // Windows, the Kerberos ticket's with FreeTDS.
        return item("Trusted_Connection", QStringLiteral("Yes"));
    case Login::DataSource:
        return {};
    case Login::SqlServer:
        break;
    }
    return item("UID", credential(target.user)) + item("PWD", credential(target.password));
}

// OLE DB's provider for ODBC names a data source of the driver manager, which
// holds the driver and the server; the link gives the login, the database
// and what it asks of encryption. The data source keeps its own settings
// otherwise.
OdbcLogin dataSourceLogin(const ConnectionTarget& target, const QMap<QString, QString>& dataSources)
{
    std::optional<QString> driver;
    for (auto it = dataSources.cbegin(); it != dataSources.cend(); ++it) {
        if (it.key().compare(target.dataSource.trimmed(), Qt::CaseInsensitive) == 0)
            driver = it.value();
    }
    if (!driver)
        throw DbError(QStringLiteral("O ficheiro de ligação usa o fornecedor OLE DB para ODBC (MSDASQL), e a origem de "
                                     "dados ODBC \"%1\" do seu Data Source não existe neste computador: crie-a, ou "
                                     "escreva o ficheiro para o fornecedor do SQL Server com o nome do servidor")
                          .arg(target.dataSource));
    const DriverKind kind = kindOf(*driver);
    const bool freeTds = kind == DriverKind::FreeTds;
    const auto credential = [&](const QString& value) { return freeTds ? freeTdsValue(value, true) : braced(value); };

    QString out = item("DSN", plainOrBraced(target.dataSource)) + loginItems(target, credential);
    if (!target.database.isEmpty())
        out += item("DATABASE", plainOrBraced(target.database));
    if (!freeTds) {
        out += microsoftEncryption(kind, *driver, target);
    } else if (asksEncryption(target)) {
        if (target.encryption == Encryption::Strict)
            throw cannotEncrypt(*driver, QStringLiteral("a cifra estrita (Strict)"));
        // The data source names the server, in a section of its own or none.
        if (!target.trustServerCertificate)
            throw DbError(QStringLiteral("O controlador FreeTDS só verifica o certificado do servidor numa ligação feita "
                                         "pelo nome do servidor, e não através da origem de dados ODBC \"%1\": escreva o "
                                         "ficheiro para o fornecedor do SQL Server com o nome do servidor, ou marque "
                                         "«Confiar no certificado do servidor» no editor da ligação, se conhece o servidor")
                              .arg(target.dataSource));
        out += item("Encryption", QStringLiteral("require"));
    }
    return {out, std::nullopt, *driver};
}

QString chooseDriver(const QStringList& installedDrivers)
{
    for (const QString& candidate : kPreferredDrivers) {
        for (const QString& installed : installedDrivers) {
            if (installed.trimmed().compare(candidate, Qt::CaseInsensitive) == 0)
                return candidate;
        }
    }
    throw DbError(QStringLiteral("Nenhum controlador ODBC para SQL Server está instalado "
                                 "(ODBC Driver 18 for SQL Server, ODBC Driver 17 for SQL Server, FreeTDS ou SQL Server)"));
}

OdbcLogin freeTdsLogin(const ConnectionTarget& target, std::chrono::seconds requestTimeout, const QString& caFile)
{
    QString host = target.host;
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    const auto credential = [](const QString& value) { return freeTdsValue(value, true); };

    OdbcLogin login;
    login.driver = QStringLiteral("FreeTDS");
    QString& out = login.connectionString;
    out = item("DRIVER", braced(QStringLiteral("FreeTDS")));
    if (target.encryption == Encryption::Strict)
        throw cannotEncrypt(QStringLiteral("FreeTDS"), QStringLiteral("a cifra estrita (Strict)"));
    if (asksEncryption(target) && !target.trustServerCertificate) {
        // Only a section of freetds.conf makes FreeTDS 1.3 check the
        // certificate, against the name the section connects to.
        if (const std::optional<QString> name = otherCertificateName(target)) {
            const std::optional<QString> sameMachine = hostByCertificateName(target);
            if (!sameMachine)
                throw cannotCheckUnderName(QStringLiteral("FreeTDS"), *name);
            host = *sameMachine;
        }
        login.section = odbc::FreeTdsSection{host, target.port, target.instance, caFile};
        out += item("SERVERNAME", login.section->name());
    } else if (!target.port.isEmpty()) {
        // FreeTDS takes the port as its own key, and finds a named instance
        // itself (through the server's browser service) when no port is given.
        out += item("SERVER", freeTdsValue(host, false)) + item("PORT", freeTdsValue(target.port, false));
    } else {
        out += item("SERVER", freeTdsValue(target.instance.isEmpty() ? host : host + u'\\' + target.instance, false));
    }
    out += loginItems(target, credential);
    if (!target.database.isEmpty())
        out += item("DATABASE", freeTdsValue(target.database, false));
    // Every Microsoft server answers a 7.4 login with its own version. Left
    // to choose, FreeTDS tries Sybase's 5.0 after a failed login, and with
    // a server that takes connections but never answers, that attempt
    // never ends.
    out += item("TDS_Version", QStringLiteral("7.4"));
    if (asksEncryption(target))
        out += item("Encryption", QStringLiteral("require"));
    // FreeTDS holds a commit or rollback to no statement's timeout, only
    // to this one of its own.
    if (requestTimeout.count() > 0)
        out += item("Timeout", QString::number(requestTimeout.count()));
    return login;
}

}  // namespace

OdbcLogin odbcLogin(const ConnectionTarget& target, const QStringList& installedDrivers,
                    std::chrono::seconds requestTimeout, const QMap<QString, QString>& dataSources,
                    const QString& caFile)
{
    if (!target.odbc.isEmpty())
        return {target.odbc, std::nullopt};
    if (!target.dataSource.isEmpty())
        return dataSourceLogin(target, dataSources);

    const QString driver = chooseDriver(installedDrivers);
    const DriverKind kind = kindOf(driver);
    if (kind == DriverKind::FreeTds)
        return freeTdsLogin(target, requestTimeout, caFile);

    const std::optional<QString> sameMachine =
        kind == DriverKind::Microsoft && !target.trustServerCertificate && asksEncryption(target)
            ? hostByCertificateName(target)
            : std::nullopt;
    QString server = sameMachine.value_or(target.host);
    if (!target.instance.isEmpty())
        server += u'\\' + target.instance;
    if (!target.port.isEmpty())
        server += u',' + target.port;
    QString out = item("DRIVER", braced(driver)) + item("SERVER", plainOrBraced(server)) +
                  loginItems(target, [](const QString& value) { return braced(value); });
    if (!target.database.isEmpty())
        out += item("DATABASE", plainOrBraced(target.database));
    if (asksEncryption(target))
        out += microsoftEncryption(kind, driver, target);
    else if (kind == DriverKind::Microsoft18)
        // Driver 18 insists on encryption by default; servers of the era this
        // tool serves often cannot do it.
        out += item("Encrypt", QStringLiteral("Optional"));
    return {out, std::nullopt, driver};
}

}  // namespace db
