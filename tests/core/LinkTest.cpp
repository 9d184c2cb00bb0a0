#include "QStringPrinting.h"
#include "RecordingDatabase.h"
#include "core/common/SqlNames.h"
#include "core/links/Link.h"

#include <QSysInfo>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using core::LinkEncryption;
using core::LinkLogin;
using core::readLink;

TEST(Link, ItemsAreReadUnderEveryNameInAnyCaseAndTheLastOneWins)
{
    struct Case {
        const char *init, *server, *user, *password, *database;
        LinkLogin login;
        bool needsPassword;
    };
    const Case cases[] = {
        {"SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;Initial Catalog=loja;Data Source=SRV\\X",
         "SRV\\X", "sa", "segredo", "loja", LinkLogin::SqlServer, false},
        // As Windows reads them: any case, blanks around the name, the ODBC-style names.
        {"P;user id=sa;password=x; DATA SOURCE =s;initial catalog=loja", "s", "sa", "x", "loja", LinkLogin::SqlServer, false},
        {"P;UID=sa;PWD=x;Server=s;Database=loja", "s", "sa", "x", "loja", LinkLogin::SqlServer, false},
        {"P;Data Source=a;Data Source=b;Initial Catalog=one;Initial Catalog=two;User ID=u", "b", "u", "", "two",
         LinkLogin::SqlServer, true},
        // Windows quotes a value that holds ';' or '"', and doubles the '"'.
        {R"(SQLOLEDB.1;Password="Se;cr""et=1";User ID=sa;Initial Catalog='lo;''ja';Data Source=S)", "S", "sa",
         "Se;cr\"et=1", "lo;'ja", LinkLogin::SqlServer, false},
        // The login's bare values lose their blanks; quoted ones keep them.
        {"P;Password= a b ;User ID=\" sa \";Data Source= S ;Initial Catalog= loja", "S", " sa ", "a b", " loja",
         LinkLogin::SqlServer, false},
        // A quote left open, or followed by more, is no quoting.
        {"P;Password=\"ab;User ID=\"x\"y;Data Source=S", "S", "\"x\"y", "\"ab", "", LinkLogin::SqlServer, false},
        // Every way of asking for Windows authentication; Native Client's empty item is none.
        {"SQLOLEDB.1;Integrated Security=SSPI;Data Source=.", ".", "", "", "", LinkLogin::Windows, false},
        {"P;integrated security=True;User ID=sa;Data Source=.", ".", "sa", "", "", LinkLogin::Windows, false},
        {"P;Trusted_Connection=yes;Data Source=.", ".", "", "", "", LinkLogin::Windows, false},
        {R"(SQLNCLI11.1;Integrated Security="";Persist Security Info=False;User ID=sa;Data Source=S)", "S", "sa", "",
         "", LinkLogin::SqlServer, true},
        // An ODBC data source may hold the login itself, or take the file's.
        {"MSDASQL.1;Data Source=Loja", "Loja", "", "", "", LinkLogin::DataSource, false},
        {"MSDASQL.1;User ID=sa;Data Source=Loja", "Loja", "sa", "", "", LinkLogin::SqlServer, true},
        // The first piece names the provider, whatever it holds.
        {"Data Source=a;User ID=u", "", "u", "", "", LinkLogin::SqlServer, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.init);
        const core::Link link = readLink(QString::fromUtf8(c.init));
        EXPECT_EQ(std::tuple(link.server, link.user, link.password, link.database, link.login),
                  std::tuple(QString::fromUtf8(c.server), QString::fromUtf8(c.user), QString::fromUtf8(c.password),
                             QString::fromUtf8(c.database), c.login));
        EXPECT_EQ(core::needsPassword(link), c.needsPassword);
        EXPECT_EQ(link.problem, QString());
    }
}

TEST(Link, EncryptionIsReadAsEachDialogWritesItAndAValueNotUnderstoodIsAProblem)
{
    struct Case {
        const char* init;
        LinkEncryption encryption;
        bool trust;
        const char* problem;  // part of it; empty: none
    };
    const Case cases[] = {
        {"SQLOLEDB.1;Data Source=s", LinkEncryption::Unset, false, ""},
        {"SQLOLEDB.1;Use Encryption for Data=True;Data Source=s", LinkEncryption::Mandatory, false, ""},
        {"SQLNCLI11;Use Encryption for Data=False;Trust Server Certificate=True", LinkEncryption::Optional, true, ""},
        {"MSOLEDBSQL.1;Use Encryption for Data=Mandatory;Trust Server Certificate=False", LinkEncryption::Mandatory, false, ""},
        {"MSOLEDBSQL.1;Use Encryption for Data=Optional", LinkEncryption::Optional, false, ""},
        {"MSOLEDBSQL19;use encryption for data=\"Strict\"", LinkEncryption::Strict, false, ""},
        {"P;Encrypt=yes;TrustServerCertificate=yes", LinkEncryption::Mandatory, true, ""},
        {"P;Encrypt=no", LinkEncryption::Optional, false, ""},
        {"P;Use Encryption for Data=Sim", LinkEncryption::Unset, false, "o item «Use Encryption for Data» vale «Sim»"},
        {"P;Trust Server Certificate=1", LinkEncryption::Unset, false, "«Trust Server Certificate» vale «1»"},
        {"P;Integrated Security=Kerberos", LinkEncryption::Unset, false, "«Integrated Security» vale «Kerberos»"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.init);
        const core::Link link = readLink(QString::fromUtf8(c.init));
        EXPECT_EQ(std::pair(link.encryption, link.trustServerCertificate), std::pair(c.encryption, c.trust));
        if (*c.problem == 0)
            EXPECT_EQ(link.problem, QString());
        else
            EXPECT_TRUE(link.problem.contains(QString::fromUtf8(c.problem))) << link.problem.toStdString();
    }
    EXPECT_EQ(readLink("MSOLEDBSQL;Host Name In Certificate= sql.loja.pt ").hostNameInCertificate, "sql.loja.pt");
}

// What the database layer is given: the login as the file asks for it, and
// its encryption; on one server, the stricter of the two files'.
TEST(Link, TheTargetCarriesTheLoginAndTheEncryptionAskedAndOneServerTheStricterOfTwo)
{
    const QString thisMachine = QSysInfo::machineHostName();
    struct Case {
        const char *init, *other;  // other: the second file on the same server, or none
        QString target;
    };
    const Case cases[] = {
        {"SQLOLEDB.1;Password=pw;User ID=sa;Data Source=srv\\SQLEXPRESS", "", "host=srv;instance=SQLEXPRESS;login=sa/pw;database=master"},
        // Windows authentication sends no user or password, whatever the file also holds.
        {"SQLOLEDB.1;Integrated Security=SSPI;User ID=sa;Password=pw;Data Source=tcp:srv,1500", "", "host=srv;port=1500;login=windows;database=master"},
        {"MSDASQL.1;Data Source= Loja ", "", "dsn=Loja;login=data source;database=master"},
        {"SQLOLEDB.1;User ID=sa;Password=pw;Use Encryption for Data=True;Data Source=(local)", "",
         "host=127.0.0.1;login=sa/pw;database=master;encryption=required;trust=no;certificate=" + thisMachine},
        {"MSOLEDBSQL;User ID=sa;Password=pw;Use Encryption for Data=Optional;Data Source=srv", "", "host=srv;login=sa/pw;database=master"},
        {"MSOLEDBSQL;User ID=sa;Password=pw;Use Encryption for Data=Strict;Host Name In Certificate=sql.loja;Data Source=10.0.0.5",
         "", "host=10.0.0.5;login=sa/pw;database=master;encryption=strict;trust=no;certificate=sql.loja"},
        // The other file asks for encryption and trusts the certificate: its choice goes with it.
        {"SQLOLEDB.1;User ID=sa;Password=pw;Data Source=srv", "P;Use Encryption for Data=True;Trust Server Certificate=True",
         "host=srv;login=sa/pw;database=master;encryption=required;trust=yes"},
        // Both ask: the stronger encryption, and the certificate trusted only when both trust it.
        {"MSOLEDBSQL;User ID=sa;Password=pw;Use Encryption for Data=Mandatory;Trust Server Certificate=True;Data Source=srv",
         "MSOLEDBSQL;Use Encryption for Data=Strict", "host=srv;login=sa/pw;database=master;encryption=strict;trust=no"},
        {"SQLOLEDB.1;User ID=sa;Password=pw;Use Encryption for Data=True;Data Source=srv", "P;Use Encryption for Data=False",
         "host=srv;login=sa/pw;database=master;encryption=required;trust=no"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.init);
        const core::Link link = *c.other ? core::withStricterEncryption(readLink(c.init), readLink(c.other)) : readLink(c.init);
        EXPECT_EQ(recording::describe(core::connectionTarget(link, QStringLiteral("master"))), c.target);
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
