#include "QStringPrinting.h"
#include "core/InitString.h"
#include "core/SqlNames.h"

#include <gtest/gtest.h>

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

TEST(InitString, MissingLoginGivesEmptyUserAndPassword)
{
    const core::SourceParameters source =
        parseSourceInit("SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=loja;Data Source=.");
    EXPECT_EQ(workingConnectionString(source),
              "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;"
              "Initial Catalog=master;Data Source=.");
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
