#include "db/DbError.h"
#include "db/OdbcConnectionString.h"

#include <QSysInfo>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QStringList kFreeTds = {"SQLite3", "FreeTDS"};
const QStringList kDriver17 = {"FreeTDS", "ODBC Driver 17 for SQL Server"};
const QStringList kDriver18 = {"SQL Server", "ODBC Driver 18 for SQL Server", "FreeTDS"};
const QStringList kOldDriver = {"SQL Server"};
const QMap<QString, QString> kDataSources = {{"Loja", "FreeTDS"}, {"Sede", "ODBC Driver 18 for SQL Server"},
                                             {"Velha", "SQL Server"}};
const QString kCaFile = QStringLiteral("/etc/ca.pem");

db::ConnectionTarget login(const std::function<void(db::ConnectionTarget&)>& change = {})
{
    db::ConnectionTarget target;
    target.host = QStringLiteral("srv");
    target.user = QStringLiteral("sa");
    target.password = QStringLiteral("pw");
    target.database = QStringLiteral("master");
    if (change)
        change(target);
    return target;
}

db::OdbcLogin rendered(const db::ConnectionTarget& target, const QStringList& drivers)
{
    return db::odbcLogin(target, drivers, std::chrono::seconds(0), kDataSources, kCaFile);
}

// The string, or "refused: " and the refusal.
QString outcome(const db::ConnectionTarget& target, const QStringList& drivers)
{
    try {
        return rendered(target, drivers).connectionString;
    } catch (const db::DbError& e) {
        return QStringLiteral("refused: ") + e.message();
    }
}

struct Case {
    const char* what;
    QStringList drivers;
    db::ConnectionTarget target;
    QString wanted;  // the whole string; or, after "refused: ", part of the refusal
};

void expectCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString got = outcome(c.target, c.drivers);
        if (c.wanted.startsWith(QLatin1String("refused: ")))
            EXPECT_TRUE(got.startsWith(QLatin1String("refused: ")) && got.contains(c.wanted.mid(9))) << got.toStdString();
        else
            EXPECT_EQ(got, c.wanted);
    }
}

}  // namespace

TEST(OdbcConnectionStringTest, EachDriverGetsTheServerAndTheLoginInItsOwnWords)
{
    const auto windows = [](db::ConnectionTarget& t) { t.login = db::Login::Windows; };
    expectCases({
        {"native", {}, db::ConnectionTarget::native("DRIVER=SQLite3;Database=/tmp/x.db"), "DRIVER=SQLite3;Database=/tmp/x.db"},
        {"FreeTDS", kFreeTds, login(), "DRIVER={FreeTDS};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;"},
        {"FreeTDS, a port", kFreeTds, login([](auto& t) { t.port = "1500"; }),
         "DRIVER={FreeTDS};SERVER=srv;PORT=1500;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;"},
        {"FreeTDS, an instance", kFreeTds, login([](auto& t) { t.instance = "SQLEXPRESS"; }),
         "DRIVER={FreeTDS};SERVER=srv\\SQLEXPRESS;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;"},
        {"FreeTDS, an instance at a port", kFreeTds, login([](auto& t) { t.instance = "i", t.port = "1500"; }),
         "DRIVER={FreeTDS};SERVER=srv;PORT=1500;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;"},
        {"FreeTDS, IPv6", kFreeTds, login([](auto& t) { t.host = "[::1]", t.port = "1433"; }),
         "DRIVER={FreeTDS};SERVER=::1;PORT=1433;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;"},
        {"FreeTDS, Windows", kFreeTds, login(windows),
         "DRIVER={FreeTDS};SERVER=srv;Trusted_Connection=Yes;DATABASE=master;TDS_Version=7.4;"},
        // Driver 18 asks for encryption by default; the program keeps the old way.
        {"18 before the others", kDriver18, login(),
         "DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;Encrypt=Optional;"},
        {"17, an instance at a port", kDriver17, login([](auto& t) { t.instance = "i", t.port = "1500"; }),
         "DRIVER={ODBC Driver 17 for SQL Server};SERVER=srv\\i,1500;UID={sa};PWD={pw};DATABASE=master;"},
        {"17, Windows", kDriver17, login(windows),
         "DRIVER={ODBC Driver 17 for SQL Server};SERVER=srv;Trusted_Connection=Yes;DATABASE=master;"},
        {"the old driver", kOldDriver, login(), "DRIVER={SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;"},
        {"none", {"SQLite3"}, login(), "refused: Nenhum controlador ODBC para SQL Server"},
        // A data source holds the driver and the server; the login may be its own.
        {"a data source", {}, login([](auto& t) { t.dataSource = "loja"; }), "DSN=loja;UID={sa};PWD={pw};DATABASE=master;"},
        {"its own login", {}, login([](auto& t) { t.dataSource = "Sede", t.login = db::Login::DataSource; }),
         "DSN=Sede;DATABASE=master;"},
        {"Windows through it", {}, login([&](auto& t) { t.dataSource = "Sede", windows(t); }),
         "DSN=Sede;Trusted_Connection=Yes;DATABASE=master;"},
        {"one it does not have", {}, login([](auto& t) { t.dataSource = "Nenhuma"; }),
         "refused: a origem de dados ODBC \"Nenhuma\" do seu Data Source não existe neste computador"},
    });
}

TEST(OdbcConnectionStringTest, EncryptionIsAskedInEachDriversWordsAndWhatADriverCannotDoIsRefused)
{
    const auto required = [](bool trust, QString name = {}) {
        return login([&](auto& t) {
            t.encryption = db::Encryption::Required;
            t.trustServerCertificate = trust;
            t.certificateName = name;
        });
    };
    const auto strict = login([](auto& t) { t.encryption = db::Encryption::Strict; });
    const QString thisMachine = QSysInfo::machineHostName();
    db::ConnectionTarget local = required(false, thisMachine);
    local.host = QStringLiteral("127.0.0.1");
    const QString ms18 = QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;");
    const QString ms17 = QStringLiteral("DRIVER={ODBC Driver 17 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;");
    expectCases({
        {"18", kDriver18, required(false), ms18 + "Encrypt=yes;TrustServerCertificate=no;"},
        {"18, trusted", kDriver18, required(true), ms18 + "Encrypt=yes;TrustServerCertificate=yes;"},
        {"18, strict", kDriver18, strict, ms18 + "Encrypt=strict;TrustServerCertificate=no;"},
        {"18, another name", kDriver18, required(false, "sql.loja"),
         ms18 + "Encrypt=yes;TrustServerCertificate=no;HostNameInCertificate=sql.loja;"},
        {"17", kDriver17, required(false), ms17 + "Encrypt=yes;TrustServerCertificate=no;"},
        {"17, trusted under another name", kDriver17, required(true, "sql.loja"), ms17 + "Encrypt=yes;TrustServerCertificate=yes;"},
        {"17, strict", kDriver17, strict, "refused: a cifra estrita (Strict), e o controlador ODBC ODBC Driver 17"},
        {"17, another name", kDriver17, required(false, "sql.loja"), "refused: com o nome «sql.loja»"},
        // This machine, reached by the name its certificate carries.
        {"17, this machine", kDriver17, local,
         "DRIVER={ODBC Driver 17 for SQL Server};SERVER=" + thisMachine +
             ";UID={sa};PWD={pw};DATABASE=master;Encrypt=yes;TrustServerCertificate=no;"},
        {"the old driver", kOldDriver, required(true), "refused: uma ligação cifrada, e o controlador ODBC SQL Server"},
        {"FreeTDS, trusted", kFreeTds, required(true),
         "DRIVER={FreeTDS};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;Encryption=require;"},
        {"FreeTDS, strict", kFreeTds, strict, "refused: a cifra estrita (Strict), e o controlador ODBC FreeTDS"},
        {"FreeTDS, another name", kFreeTds, required(false, "sql.loja"), "refused: com o nome «sql.loja»"},
        {"a FreeTDS data source, trusted", {}, login([](auto& t) {
             t.dataSource = "Loja", t.encryption = db::Encryption::Required, t.trustServerCertificate = true;
         }), "DSN=Loja;UID={sa};PWD={pw};DATABASE=master;Encryption=require;"},
        {"a FreeTDS data source", {}, login([](auto& t) { t.dataSource = "Loja", t.encryption = db::Encryption::Required; }),
         "refused: e não através da origem de dados ODBC \"Loja\""},
        {"a Driver 18 data source", {}, login([](auto& t) { t.dataSource = "Sede", t.encryption = db::Encryption::Strict; }),
         "DSN=Sede;UID={sa};PWD={pw};DATABASE=master;Encrypt=strict;TrustServerCertificate=no;"},
        {"an old driver's data source", {}, login([](auto& t) { t.dataSource = "Velha", t.encryption = db::Encryption::Required; }),
         "refused: uma ligação cifrada, e o controlador ODBC SQL Server"},
    });
}

// FreeTDS 1.3 checks a certificate only for a server its freetds.conf names.
TEST(OdbcConnectionStringTest, FreeTdsChecksTheCertificateThroughASectionNamedForItsSettings)
{
    db::ConnectionTarget target = login([](auto& t) { t.port = "1500", t.encryption = db::Encryption::Required; });
    const db::OdbcLogin checked = rendered(target, kFreeTds);
    ASSERT_TRUE(checked.section);
    EXPECT_EQ(checked.connectionString, "DRIVER={FreeTDS};SERVERNAME=" + checked.section->name() +
                                            ";UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;Encryption=require;");
    EXPECT_EQ(checked.section->text(), "\thost = srv\n\tport = 1500\n\ttds version = 7.4\n\tencryption = require\n"
                                       "\tca file = /etc/ca.pem\n\tcheck certificate hostname = yes\n");
    // This machine goes by the name its certificate carries; another server is another section.
    target.host = QStringLiteral("127.0.0.1");
    target.certificateName = QSysInfo::machineHostName();
    const db::OdbcLogin local = rendered(target, kFreeTds);
    ASSERT_TRUE(local.section);
    EXPECT_EQ(local.section->host, QSysInfo::machineHostName());
    EXPECT_NE(local.section->name(), checked.section->name());
}

TEST(OdbcConnectionStringTest, CredentialsKeepSemicolonsEqualsAndBraces)
{
    const auto password = [](const char* text) { return login([&](auto& t) { t.password = text; }); };
    EXPECT_TRUE(outcome(password("a;b=c}d"), kDriver17).contains(";PWD={a;b=c}}d};"));
    // FreeTDS 1.3 takes a '}' literally only outside braces.
    EXPECT_TRUE(outcome(password("a=b}c"), kFreeTds).contains(";PWD=a=b}c;"));
    EXPECT_TRUE(outcome(password("x;y"), kFreeTds).contains(";PWD={x;y};"));
    // Inside its braces it takes every '}' as it is, up to the first "};".
    EXPECT_TRUE(outcome(password("a};b"), kFreeTds).startsWith("refused: "));
}
