#include "db/DbError.h"
#include "db/OdbcConnectionString.h"

#include <gtest/gtest.h>

using db::odbcConnectionString;

namespace {

const QStringList kFreeTds = {"SQLite3", "FreeTDS"};
const QStringList kDriver17 = {"FreeTDS", "ODBC Driver 17 for SQL Server"};

QString oleDb(const QString& dataSource, const QString& password = QStringLiteral("pw"))
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=sa;"
                          "Initial Catalog=master;Data Source=%2")
        .arg(password, dataSource);
}

// The SERVER (and PORT) items of the translation.
QString serverPart(const QString& dataSource, const QStringList& drivers)
{
    const QString out = odbcConnectionString(oleDb(dataSource), drivers);
    const qsizetype from = out.indexOf(QLatin1String("SERVER="));
    return out.mid(from, out.indexOf(QLatin1String("UID=")) - from);
}

}  // namespace

TEST(OdbcConnectionStringTest, NativeStringsPassUnchanged)
{
    const QString native = QStringLiteral("DRIVER=SQLite3;Database=/tmp/x.db");
    EXPECT_EQ(odbcConnectionString(native, {}), native);
    EXPECT_TRUE(db::isOleDbConnectionString(QStringLiteral("  provider=SQLOLEDB.1;Data Source=x")));
    EXPECT_FALSE(db::isOleDbConnectionString(native));
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
    EXPECT_THROW(odbcConnectionString(oleDb(ds), {"SQLite3"}), db::DbError);
}

TEST(OdbcConnectionStringTest, EveryDataSourceFormForFreeTds)
{
    EXPECT_EQ(serverPart("host", kFreeTds), "SERVER=host;");
    EXPECT_EQ(serverPart(" host ", kFreeTds), "SERVER=host;");
    EXPECT_EQ(serverPart("host\\SQLEXPRESS", kFreeTds), "SERVER=host\\SQLEXPRESS;");
    EXPECT_EQ(serverPart("host,1500", kFreeTds), "SERVER=host;PORT=1500;");
    EXPECT_EQ(serverPart("tcp:host, 1500", kFreeTds), "SERVER=host;PORT=1500;");
    EXPECT_EQ(serverPart("host\\inst,1500", kFreeTds), "SERVER=host;PORT=1500;");
    EXPECT_EQ(serverPart("(local)", kFreeTds), "SERVER=127.0.0.1;");
    EXPECT_EQ(serverPart(".\\SQLEXPRESS", kFreeTds), "SERVER=127.0.0.1\\SQLEXPRESS;");
    EXPECT_EQ(serverPart("tcp:(LOCAL),1433", kFreeTds), "SERVER=127.0.0.1;PORT=1433;");
    EXPECT_EQ(serverPart("[::1],1433", kFreeTds), "SERVER=::1;PORT=1433;");
}

TEST(OdbcConnectionStringTest, EveryDataSourceFormForMicrosoftDrivers)
{
    EXPECT_EQ(serverPart("host", kDriver17), "SERVER=host;");
    EXPECT_EQ(serverPart("host\\SQLEXPRESS", kDriver17), "SERVER=host\\SQLEXPRESS;");
    EXPECT_EQ(serverPart("tcp:host,1500", kDriver17), "SERVER=host,1500;");
    EXPECT_EQ(serverPart("host\\inst,1500", kDriver17), "SERVER=host\\inst,1500;");
    EXPECT_EQ(serverPart(".", kDriver17), "SERVER=127.0.0.1;");
}

TEST(OdbcConnectionStringTest, CredentialsKeepSemicolonsEqualsAndBraces)
{
    // OLE DB quoting in the source string is undone first.
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("\"a;b=c}d\"")), kDriver17)
                    .contains(";PWD={a;b=c}}d};"));
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("'it''s'")), kDriver17)
                    .contains(";PWD={it's};"));
    // FreeTDS 1.3 takes a '}' literally only outside braces.
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("a=b}c")), kFreeTds)
                    .contains(";PWD=a=b}c;"));
    EXPECT_TRUE(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("\"x;y\"")), kFreeTds)
                    .contains(";PWD={x;y};"));
    // Inside its braces it takes every '}' as it is, up to the first "};".
    EXPECT_THROW(odbcConnectionString(oleDb(QStringLiteral("h"), QStringLiteral("\"a};b\"")), kFreeTds), db::DbError);
}

TEST(OdbcConnectionStringTest, WindowsLoginIsTheDriversTrustedConnection)
{
    for (const QStringList& drivers : {kFreeTds, kDriver17}) {
        const QString out = odbcConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Data Source=srv"), drivers);
        EXPECT_TRUE(out.contains(";Trusted_Connection=Yes;") && !out.contains("UID=") && !out.contains("PWD=")) << out.toStdString();
    }
}
