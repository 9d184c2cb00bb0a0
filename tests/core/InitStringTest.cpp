#include "QStringPrinting.h"
#include "RecordingDatabase.h"
#include "core/common/SqlNames.h"
#include "core/links/Link.h"

#include <QSysInfo>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace {

using core::LinkEncryption;
using core::readLink;

// What the run connects with, as the recording database tells it.
QString workingConnectionString(const core::Link& source)
{
    return recording::describe(core::connectionTarget(source, QStringLiteral("master")));
}

TEST(InitString, WorkingConnectionStringKeepsTheLoginAndUsesMaster)
{
    const QString init = "SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
                         "Initial Catalog=loja;Data Source=SRV\\SQLEXPRESS";
    const core::Link source = readLink(init);
    EXPECT_EQ(source.database, "loja");
    EXPECT_EQ(workingConnectionString(source), "host=SRV;instance=SQLEXPRESS;login=sa/segredo;database=master");

    // The order of the items does not matter.
    const core::Link shuffled =
        readLink("SQLNCLI11;Data Source=SRV\\SQLEXPRESS;Initial Catalog=loja;User ID=sa;Password=segredo");
    EXPECT_EQ(workingConnectionString(shuffled), workingConnectionString(source));
}

TEST(InitString, EveryDataSourceFormReachesItsServer)
{
    for (const auto& [dataSource, server] : {std::pair{"host", "host=host;"}, {" host ", "host=host;"},
                                             {"host\\SQLEXPRESS", "host=host;instance=SQLEXPRESS;"},
                                             {"tcp:host, 1500", "host=host;port=1500;"}, {"(local)", "host=127.0.0.1;"},
                                             {".\\SQLEXPRESS", "host=127.0.0.1;instance=SQLEXPRESS;"},
                                             {"lpc:(LOCAL),1433", "host=127.0.0.1;port=1433;"}, {"[::1],1433", "host=[::1];port=1433;"}})
        EXPECT_TRUE(workingConnectionString(readLink(QStringLiteral("P;User ID=u;Data Source=") + dataSource)).startsWith(server))
            << dataSource;
}

TEST(InitString, KeysMatchInAnyCaseUnderEachOfTheirNamesAndTheLastOneWins)
{
    const core::Link source =
        readLink("P;password=x; User ID=y;Data Source=a;Data Source=b;Initial Catalog=one;DATABASE=two;uid=z");
    EXPECT_EQ(source.password, "x");
    EXPECT_EQ(source.user, "z");
    EXPECT_EQ(source.server, "b");
    EXPECT_EQ(source.database, "two");

    // Values run to the end of the piece, '=' included; the first piece names the provider.
    EXPECT_EQ(readLink("P;Password=a=b").password, "a=b");
    EXPECT_EQ(readLink("Data Source=a").server, "");
}

TEST(InitString, ValuesAreReadAsOleDbReadsThemAndGoOnExactly)
{
    struct Case {
        const char *init, *password, *user, *server, *database;
        bool windowsLogin, needsPassword;
    };
    const Case cases[] = {
        // Windows quotes a value that holds ';' or '"', and doubles the '"'.
        {R"(SQLOLEDB.1;Password="Se;cr""et=1";Persist Security Info=True;User ID=sa;Initial Catalog='lo;''ja';Data Source=S)",
         "Se;cr\"et=1", "sa", "S", "lo;'ja", false, false},
        // The login's bare values lose their blanks, as before; quoted ones keep them.
        {"P;Password= a b ;User ID=\" sa \";Data Source= S ;Initial Catalog= loja", "a b", " sa ", "S", " loja", false, false},
        // A quote left open, or followed by more, is no quoting.
        {"P;Password=\"ab;User ID=\"x\"y;Data Source=S", "\"ab", "\"x\"y", "S", "", false, false},
        // Native Client's empty quoted items; no password kept.
        {R"(SQLNCLI11.1;Integrated Security="";Persist Security Info=False;User ID=sa;Initial Catalog=loja;Data Source=S;)"
         R"(Initial File Name="";Server SPN="")",
         "", "sa", "S", "loja", false, true},
        {"SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=loja;Data Source=.", "", "", ".",
         "loja", true, false},
        // Every way Windows writes Windows authentication, whatever else the file holds.
        {"P;integrated security=True;User ID=sa;Password=pw;Data Source=.", "pw", "sa", ".", "", true, false},
        {"P;Trusted_Connection=yes;Data Source=.", "", "", ".", "", true, false},
        // An ODBC data source's user, with its password in the data source or nowhere.
        {"MSDASQL.1;User ID=sa;Data Source=Loja", "", "sa", "Loja", "", false, true},
    };
    const auto login = [](const core::Link& p) {
        return std::tuple(p.password, p.user, p.server, p.login == core::LinkLogin::Windows);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.init);
        const core::Link source = readLink(QString::fromUtf8(c.init));
        EXPECT_EQ(login(source), std::tuple(QString(c.password), QString(c.user), QString(c.server), c.windowsLogin));
        EXPECT_EQ(source.database, QString(c.database));
        EXPECT_EQ(core::needsPassword(source), c.needsPassword);
        // The run sends the driver's trusted connection and no user or password, or the login as read.
        EXPECT_TRUE(workingConnectionString(source).contains(
            c.windowsLogin ? QStringLiteral(";login=windows;") : QStringLiteral(";login=%1/%2;").arg(c.user, c.password)));
    }
}

TEST(InitString, EncryptionIsReadAsEachDialogWritesItAndAValueNotUnderstoodIsAProblem)
{
    const std::tuple<const char*, LinkEncryption, bool, const char*> cases[] = {  // encryption, trusted, problem
        {"SQLOLEDB.1;Data Source=s", LinkEncryption::Unset, false, ""},
        {"SQLOLEDB.1;Use Encryption for Data=True", LinkEncryption::Mandatory, false, ""},
        {"SQLNCLI11;Use Encryption for Data=False;Trust Server Certificate=True", LinkEncryption::Optional, true, ""},
        {"MSOLEDBSQL.1;Use Encryption for Data=Mandatory;Trust Server Certificate=False", LinkEncryption::Mandatory, false, ""},
        {"MSOLEDBSQL.1;Use Encryption for Data=Optional", LinkEncryption::Optional, false, ""},
        {"MSOLEDBSQL19;use encryption for data=\"Strict\"", LinkEncryption::Strict, false, ""},
        {"P;Encrypt=yes;TrustServerCertificate=yes", LinkEncryption::Mandatory, true, ""},
        {"P;Use Encryption for Data=Sim", LinkEncryption::Unset, false, "o item «Use Encryption for Data» vale «Sim»"},
        {"P;Trust Server Certificate=1", LinkEncryption::Unset, false, "«Trust Server Certificate» vale «1»"},
        {"P;Integrated Security=Kerberos", LinkEncryption::Unset, false, "«Integrated Security» vale «Kerberos»"},
    };
    for (const auto& [init, encryption, trusted, problem] : cases) {
        SCOPED_TRACE(init);
        const core::Link link = readLink(QString::fromUtf8(init));
        EXPECT_EQ(std::pair(link.encryption, link.trustServerCertificate), std::pair(encryption, trusted));
        EXPECT_EQ(link.problem.isEmpty(), *problem == 0);
        EXPECT_TRUE(link.problem.contains(QString::fromUtf8(problem))) << link.problem.toStdString();
    }
    EXPECT_EQ(readLink("MSOLEDBSQL;Host Name In Certificate= sql.loja.pt ").hostNameInCertificate, "sql.loja.pt");
}

// On one server, the session gives the stricter encryption of the two files.
TEST(InitString, TheTargetCarriesTheEncryptionAskedAndOneServerTheStricterOfTwoFiles)
{
    const QString login = QStringLiteral("SQLOLEDB.1;User ID=sa;Password=pw;Data Source=srv");
    const QString asked = QStringLiteral(";database=master;encryption=");
    const std::tuple<QString, QString, QString> cases[] = {  // the source's file, the destination's, the target
        {"MSDASQL.1;Data Source= Loja ", {}, "dsn=Loja;login=data source;database=master"},
        {"P;User ID=sa;Password=pw;Use Encryption for Data=True;Data Source=(local),1", {},
         "host=127.0.0.1;port=1;login=sa/pw" + asked + "required;trust=no;certificate=" + QSysInfo::machineHostName()},
        {"P;User ID=sa;Password=pw;Encrypt=Strict;Host Name In Certificate=sql.loja;Data Source=10.0.0.5", {},
         "host=10.0.0.5;login=sa/pw" + asked + "strict;trust=no;certificate=sql.loja"},
        {login, "MSOLEDBSQL;Use Encryption for Data=Optional", "host=srv;login=sa/pw;database=master"},
        {login, "P;Use Encryption for Data=True;Trust Server Certificate=True", "host=srv;login=sa/pw" + asked + "required;trust=yes"},
        {login + ";Encrypt=yes;TrustServerCertificate=yes", "P;Encrypt=strict", "host=srv;login=sa/pw" + asked + "strict;trust=no"},
        {login + ";Encrypt=yes", "P;Encrypt=no", "host=srv;login=sa/pw" + asked + "required;trust=no"},
    };
    for (const auto& [source, destination, target] : cases) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(workingConnectionString(core::withStricterEncryption(readLink(source), readLink(destination))), target);
    }
}

TEST(SqlNames, NamesGoInAsBracketedIdentifiersInOnePass)
{
    const core::DatabaseNames names{"pos", "loja"};
    EXPECT_EQ(core::substituteNames("DELETE FROM @destino.dbo.clientes", names), "DELETE FROM [loja].dbo.clientes");
    EXPECT_EQ(core::substituteNames("INSERT INTO @destino.dbo.t (SELECT a FROM @origem.dbo.T)", names),
              "INSERT INTO [loja].dbo.t (SELECT a FROM [pos].dbo.T)");

    // Inserted text is never looked at again, and closing brackets are doubled.
    const core::DatabaseNames tricky{"a]; DROP TABLE x --", "@origem x"};
    EXPECT_EQ(core::substituteNames("@destino.dbo.t @origem.dbo.t", tricky),
              "[@origem x].dbo.t [a]]; DROP TABLE x --].dbo.t");
    EXPECT_EQ(core::substituteNames("@destino", {"", ""}), "[]");
    EXPECT_EQ(core::substituteNames("@DESTINO @origemx", names), "@DESTINO [pos]x");
}

}  // namespace
