#include "QStringPrinting.h"
#include "core/common/SqlNames.h"
#include "core/links/InitString.h"

#include <gtest/gtest.h>
#include <tuple>
#include <utility>

namespace {

using core::parseDestinationDatabase;
using core::parseSourceInit;
using core::workingConnectionString;

TEST(InitString, WorkingConnectionStringKeepsTheLoginAndUsesMaster)
{
    const QString init = "SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
                         "Initial Catalog=loja;Data Source=SRV\\SQLEXPRESS";
    const core::SourceParameters source = parseSourceInit(init);
    EXPECT_EQ(source.database, "loja");
    EXPECT_EQ(workingConnectionString(source),
              "Provider=SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
              "Initial Catalog=master;Data Source=SRV\\SQLEXPRESS");

    // The order of the items does not matter.
    const core::SourceParameters shuffled =
        parseSourceInit("SQLNCLI11;Data Source=SRV\\SQLEXPRESS;Initial Catalog=loja;User ID=sa;Password=segredo");
    EXPECT_EQ(workingConnectionString(shuffled), workingConnectionString(source));
}

TEST(InitString, KeysMatchExactlyAndTheLastOneWins)
{
    const core::SourceParameters source =
        parseSourceInit("P;password=x; User ID=y;Data Source=a;Data Source=b;Initial Catalog=");
    EXPECT_EQ(source.password, "");
    EXPECT_EQ(source.user, "");
    EXPECT_EQ(source.server, "b");
    EXPECT_EQ(source.database, "");

    // Values run to the end of the piece, '=' included.
    EXPECT_EQ(parseSourceInit("P;Password=a=b").password, "a=b");
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
    };
    const auto login = [](const core::SourceParameters& p) { return std::tuple(p.password, p.user, p.server, p.windowsLogin); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.init);
        const core::SourceParameters source = parseSourceInit(QString::fromUtf8(c.init));
        EXPECT_EQ(login(source), std::tuple(QString(c.password), QString(c.user), QString(c.server), c.windowsLogin));
        EXPECT_EQ(std::pair(source.database, parseDestinationDatabase(QString::fromUtf8(c.init))),
                  std::pair(QString(c.database), QString(c.database)));
        EXPECT_EQ(core::needsPassword(source), c.needsPassword);
        // The string the run connects with carries the same login.
        EXPECT_EQ(login(parseSourceInit(workingConnectionString(source))), login(source));
    }
}

TEST(InitString, DestinationTakesTheFirstCatalogOnly)
{
    EXPECT_EQ(parseDestinationDatabase("P;Initial Catalog=kovara;Initial Catalog=outra"), "kovara");
    EXPECT_EQ(parseDestinationDatabase("P;Data Source=x;User ID=u"), "");
    EXPECT_EQ(parseDestinationDatabase(""), "");
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
