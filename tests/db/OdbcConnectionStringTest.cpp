#include "db/DbError.h"
#include "db/OdbcConnectionString.h"

#include <QSysInfo>
#include <gtest/gtest.h>

namespace {

const QStringList kFreeTds = {"SQLite3", "FreeTDS"};
const QStringList kDriver17 = {"FreeTDS", "ODBC Driver 17 for SQL Server"};
const QStringList kDriver18 = {"SQL Server", "ODBC Driver 18 for SQL Server", "FreeTDS"};

// sa's login on master at "host\instance,port", as a link gives it.
db::ConnectionTarget oleDb(const QString& dataSource, const QString& password = QStringLiteral("pw"))
{
    db::ConnectionTarget target;
    target.host = dataSource.section(u',', 0, 0).section(u'\\', 0, 0);
    target.instance = dataSource.section(u',', 0, 0).section(u'\\', 1);
    target.port = dataSource.section(u',', 1);
    target.user = QStringLiteral("sa");
    target.password = password;
    target.database = QStringLiteral("master");
    return target;
}

db::OdbcLogin rendered(const db::ConnectionTarget& target, const QStringList& drivers)
{
    const QMap<QString, QString> dataSources = {{"Loja", "FreeTDS"}, {"Sede", "ODBC Driver 18 for SQL Server"},
                                                {"Velha", "SQL Server"}};
    return db::odbcLogin(target, drivers, std::chrono::seconds(0), dataSources, QStringLiteral("/etc/ca.pem"));
}

// The string, or "refused: " and the refusal.
QString odbcConnectionString(const db::ConnectionTarget& target, const QStringList& drivers)
{
    try {
        return rendered(target, drivers).connectionString;
    } catch (const db::DbError& e) {
        return QStringLiteral("refused: ") + e.message();
    }
}

// The SERVER (and PORT) items of the translation.
QString serverPart(const QString& dataSource, const QStringList& drivers)
{
    const QString out = odbcConnectionString(oleDb(dataSource), drivers);
    const qsizetype from = out.indexOf(QLatin1String("SERVER="));
    return out.mid(from, out.indexOf(QLatin1String("UID=")) - from);
}

db::ConnectionTarget with(db::ConnectionTarget target, db::Encryption encryption, bool trust = false,
                          const QString& name = {}, const QString& dataSource = {})
{
    target.encryption = encryption, target.trustServerCertificate = trust, target.certificateName = name;
    target.dataSource = dataSource;
    return target;
}

}  // namespace

TEST(OdbcConnectionStringTest, NativeStringsPassUnchanged)
{
    const QString native = QStringLiteral("DRIVER=SQLite3;Database=/tmp/x.db");
    EXPECT_EQ(odbcConnectionString(db::ConnectionTarget::native(native), {}), native);
}

TEST(OdbcConnectionStringTest, WorkerStringBecomesFreeTdsString)
{
    EXPECT_EQ(odbcConnectionString(oleDb(QStringLiteral("srv")), kFreeTds),
              "DRIVER={FreeTDS};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;");
}

TEST(OdbcConnectionStringTest, DriverIsFirstInstalledOfThePreferenceOrder)
{
    const QString ds = QStringLiteral("srv");
    EXPECT_EQ(odbcConnectionString(oleDb(ds), {"SQL Server", "ODBC Driver 18 for SQL Server", "FreeTDS"}),
              "DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;"
              "Encrypt=Optional;");
    EXPECT_TRUE(odbcConnectionString(oleDb(ds), kDriver17).startsWith("DRIVER={ODBC Driver 17 for SQL Server};"));
    EXPECT_TRUE(odbcConnectionString(oleDb(ds), {"freetds"}).startsWith("DRIVER={FreeTDS};"));
    EXPECT_TRUE(odbcConnectionString(oleDb(ds), {"SQL Server"}).startsWith("DRIVER={SQL Server};"));
    EXPECT_TRUE(odbcConnectionString(oleDb(ds), {"SQLite3"}).startsWith("refused: Nenhum controlador ODBC"));
}

TEST(OdbcConnectionStringTest, EveryDataSourceFormForFreeTds)
{
    EXPECT_EQ(serverPart("host", kFreeTds), "SERVER=host;");
    EXPECT_EQ(serverPart("host\\SQLEXPRESS", kFreeTds), "SERVER=host\\SQLEXPRESS;");
    EXPECT_EQ(serverPart("host,1500", kFreeTds), "SERVER=host;PORT=1500;");
    EXPECT_EQ(serverPart("host\\inst,1500", kFreeTds), "SERVER=host;PORT=1500;");
    EXPECT_EQ(serverPart("[::1],1433", kFreeTds), "SERVER=::1;PORT=1433;");
}

TEST(OdbcConnectionStringTest, EveryDataSourceFormForMicrosoftDrivers)
{
    EXPECT_EQ(serverPart("host\\SQLEXPRESS", kDriver17), "SERVER=host\\SQLEXPRESS;");
    EXPECT_EQ(serverPart("host\\inst,1500", kDriver17), "SERVER=host\\inst,1500;");
}

// An ODBC data source holds the driver and the server; the login may be its own.
TEST(OdbcConnectionStringTest, ADataSourceGetsTheLoginAndTheDatabaseInItsDriversWords)
{
    db::ConnectionTarget target = with(oleDb("x"), db::Encryption::DriverDefault, false, {}, "loja");
    EXPECT_EQ(odbcConnectionString(target, {}), "DSN=loja;UID={sa};PWD={pw};DATABASE=master;");
    target.login = db::Login::DataSource;
    EXPECT_EQ(odbcConnectionString(target, {}), "DSN=loja;DATABASE=master;");
    target.dataSource = QStringLiteral("Nenhuma");
    EXPECT_TRUE(odbcConnectionString(target, {}).contains("a origem de dados ODBC \"Nenhuma\" do seu Data Source não"));
}

TEST(OdbcConnectionStringTest, EncryptionIsAskedInEachDriversWordsAndWhatADriverCannotDoIsRefused)
{
    using db::Encryption;
    const QString here = QSysInfo::machineHostName();
    const QString ms18 = "DRIVER={ODBC Driver 18 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;";
    const QString ms17 = "DRIVER={ODBC Driver 17 for SQL Server};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;";
    const QString yes = QStringLiteral("Encrypt=yes;TrustServerCertificate=");
    const QString noStrict = QStringLiteral("refused: O ficheiro de ligação pede a cifra estrita (Strict), e o controlador ODBC ");
    const db::ConnectionTarget srv = oleDb("srv");
    const std::tuple<db::ConnectionTarget, QStringList, QString> cases[] = {  // wanted: the string, or part of the refusal
        {with(srv, Encryption::Required), kDriver18, ms18 + yes + "no;"},
        {with(srv, Encryption::Strict), kDriver18, ms18 + "Encrypt=strict;TrustServerCertificate=no;"},
        {with(srv, Encryption::Required, false, "sql.loja"), kDriver18, ms18 + yes + "no;HostNameInCertificate=sql.loja;"},
        {with(srv, Encryption::Required), kDriver17, ms17 + yes + "no;"},
        {with(srv, Encryption::Required, true, "sql.loja"), kDriver17, ms17 + yes + "yes;"},
        {with(srv, Encryption::Strict), kDriver17, noStrict + "ODBC Driver 17"},
        {with(srv, Encryption::Required, false, "sql.loja"), kDriver17, "refused: com o nome «sql.loja», e o controlador"},
        // This machine, reached by the name its certificate carries.
        {with(oleDb("127.0.0.1"), Encryption::Required, false, here), kDriver17,
         "DRIVER={ODBC Driver 17 for SQL Server};SERVER=" + here + ";UID={sa};PWD={pw};DATABASE=master;" + yes + "no;"},
        {with(srv, Encryption::Required, true), {"SQL Server"}, "refused: O ficheiro de ligação pede uma ligação cifrada"},
        {with(srv, Encryption::Required, true), kFreeTds,
         "DRIVER={FreeTDS};SERVER=srv;UID={sa};PWD={pw};DATABASE=master;TDS_Version=7.4;Encryption=require;"},
        {with(srv, Encryption::Strict), kFreeTds, noStrict + "FreeTDS"},
        {with(srv, Encryption::Required, false, "x"), kFreeTds, "refused: com o nome «x», e o controlador ODBC FreeTDS"},
        {with(srv, Encryption::Required, true, {}, "Loja"), {}, "DSN=Loja;UID={sa};PWD={pw};DATABASE=master;Encryption=require;"},
        {with(srv, Encryption::Required, false, {}, "Loja"), {}, "refused: O controlador FreeTDS só verifica o certificado"},
        {with(srv, Encryption::Strict, false, {}, "Sede"), {}, "DSN=Sede;UID={sa};PWD={pw};DATABASE=master;Encrypt=strict;"
                                                               "TrustServerCertificate=no;"},
        {with(srv, Encryption::Required, true, {}, "Velha"), {}, "refused: O ficheiro de ligação pede uma ligação cifrada"},
    };
    for (const auto& [target, drivers, wanted] : cases) {
        const QString got = odbcConnectionString(target, drivers);
        const bool refused = wanted.startsWith("refused: ");
        EXPECT_TRUE(refused ? got.startsWith("refused: ") && got.contains(wanted.mid(9)) : got == wanted) << got.toStdString();
    }
}

// FreeTDS 1.3 checks a certificate only for a server its freetds.conf names.
TEST(OdbcConnectionStringTest, FreeTdsChecksTheCertificateThroughASectionNamedForItsSettings)
{
    db::ConnectionTarget target = with(oleDb("srv,1500"), db::Encryption::Required);
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
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("a;b=c}d")), kDriver17)
                    .contains(";PWD={a;b=c}}d};"));
    // FreeTDS 1.3 takes a '}' literally only outside braces.
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("a=b}c")), kFreeTds)
                    .contains(";PWD=a=b}c;"));
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("x;y")), kFreeTds)
                    .contains(";PWD={x;y};"));
    // Inside its braces it takes every '}' as it is, up to the first "};".
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("a};b")), kFreeTds).startsWith("refused: "));
}

TEST(OdbcConnectionStringTest, WindowsLoginIsTheDriversTrustedConnection)
{
    for (const QStringList& drivers : {kFreeTds, kDriver17}) {
        db::ConnectionTarget windows = oleDb(QStringLiteral("srv"));
        windows.login = db::Login::Windows;
        const QString out = odbcConnectionString(windows, drivers);
        EXPECT_TRUE(out.contains(";Trusted_Connection=Yes;") && !out.contains("UID=") && !out.contains("PWD=")) << out.toStdString();
    }
}
