// Checks, without a server, that the fixture databases fit the statements the
// conversion really sends: a run against the recording database collects
// them, and each is read against the tables of the fixture scripts. A column
// renamed in a statement, or a fixture that would make the server refuse a
// statement for its own reasons, shows up here rather than on the server.

#include "FixtureSchema.h"
#include "QStringPrinting.h"
#include "RecordingDatabase.h"
#include "StatementCheck.h"
#include "core/run/Conversion.h"

#include <gtest/gtest.h>

namespace {

class QuietSink : public core::ConversionSink {
public:
    void addLog(const QString& line) override { lines.append(line); }
    void progressStep() override {}
    QStringList lines;
};

// Every statement a whole run with stocks sends, in order, when the probes
// find their columns (or not).
QStringList statementsOfRun(bool probeColumnsPresent)
{
    auto recorder = std::make_shared<recording::Recorder>();
    recording::RecordingConnection cn(recorder);
    const std::unique_ptr<db::Query> q_exec = cn.createQuery(QStringLiteral("q_exec"));
    const std::unique_ptr<db::Query> q_aux = cn.createQuery(QStringLiteral("q_aux"));

    recorder->respond(QStringLiteral("SELECT COUNT(codigo)"), recording::singleValue(QString(), QStringLiteral("1")));
    QStringList columns{QStringLiteral("codigo")};
    if (probeColumnsPresent)
        columns << QStringLiteral("ivacaixa") << QStringLiteral("fundo") << QStringLiteral("frontoffice") << QStringLiteral("referencia");
    recorder->respond(QStringLiteral("SELECT TOP 1 *"), recording::makeResult(columns));
    recorder->respond(QStringLiteral(".dbo.Existencias"),
                      recording::makeResult({"codigo", "existencia", "descricao"}, {{"101", "1", "x"}}));

    QuietSink sink;
    core::runConversion({cn, *q_exec, *q_aux},
                        core::readLink(QStringLiteral("SQLOLEDB.1;Password=pw;User ID=sa;Initial Catalog=pos;Data Source=srv")),
                        core::readLink(QStringLiteral("SQLOLEDB.1;Initial Catalog=loja;Data Source=srv")), true, sink);
    EXPECT_EQ(sink.lines.value(sink.lines.size() - 1), QStringLiteral("Conversão completa!")) << sink.lines.join(u'\n').toStdString();

    QStringList sent;
    for (const recording::Call& call : recorder->calls()) {
        // The same-database check and the encryption questions ask the
        // server's catalog and views, not the fixture's tables.
        if (call.sql.startsWith(QStringLiteral("SELECT DB_ID(")) || call.sql.contains(QStringLiteral("encrypt_option")))
            continue;
        if (!call.sql.isEmpty() && (call.what.endsWith(QStringLiteral(".execute")) || call.what.endsWith(QStringLiteral(".open"))) &&
            !sent.contains(call.sql))
            sent.append(call.sql);
    }
    return sent;
}

const std::vector<server::SourceVariant>& allVariants()
{
    static const std::vector<server::SourceVariant> variants{
        {true, true, true, true},   {false, true, true, true}, {true, false, true, true},
        {true, true, false, true},  {true, true, true, false}, {false, false, false, false},
    };
    return variants;
}

TEST(FixtureScripts, EveryVariantBuildsWithoutProblems)
{
    const server::FixtureSchema destination = server::loadFixture(server::kDestinationScripts);
    EXPECT_EQ(destination.problems(), QStringList());
    for (const server::SourceVariant& variant : allVariants()) {
        SCOPED_TRACE(variant.name().toStdString());
        const server::FixtureSchema source = server::loadFixture(variant.scripts());
        EXPECT_EQ(source.problems(), QStringList());

        // Each variant must really offer the probe answer it stands for.
        struct Probe {
            const char* table;
            const char* column;
            bool present;
        };
        for (const Probe& p : {Probe{"Clientes", "ivacaixa", variant.ivacaixa}, Probe{"Subfamilias", "fundo", variant.fundo},
                               Probe{"Familias", "frontoffice", variant.frontoffice},
                               Probe{"Produtos", "referencia", variant.referencia}}) {
            const server::TableDef* table = source.table(QLatin1String(p.table));
            ASSERT_NE(table, nullptr) << p.table;
            EXPECT_EQ(table->column(QLatin1String(p.column)) != nullptr, p.present) << p.table << "." << p.column;
        }
    }
}

class StatementsAgainstFixture : public ::testing::TestWithParam<bool> {};

TEST_P(StatementsAgainstFixture, EveryTableAndColumnExistsAndEveryValueFits)
{
    const bool present = GetParam();
    const server::SourceVariant variant{present, present, present, present};
    const server::FixtureSchema source = server::loadFixture(variant.scripts());
    const server::FixtureSchema destination = server::loadFixture(server::kDestinationScripts);
    const StatementCheck check(source, destination, QStringLiteral("pos"), QStringLiteral("loja"));

    const QStringList statements = statementsOfRun(present);
    // Eight steps' DELETEs, counts and INSERTs at the least, and the four stock statements.
    ASSERT_GE(statements.size(), 30) << statements.join(u'\n').toStdString();
    for (const QString& sql : statements)
        EXPECT_EQ(check.problems(sql), QStringList()) << sql.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ProbeColumns, StatementsAgainstFixture, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Present" : "Absent");
                         });

// The checker itself must catch what it is there for.
TEST(StatementCheck, CatchesAMissingColumnAWrongTypeAndANullIntoNotNull)
{
    server::FixtureSchema source;
    source.apply(QStringLiteral("CREATE TABLE dbo.T (\n codigo int NOT NULL,\n nome nvarchar(80) NULL,\n quando datetime NULL\n);"),
                 QStringLiteral("inline"));
    server::FixtureSchema destination;
    destination.apply(QStringLiteral("CREATE TABLE dbo.t (\n codigo int NOT NULL,\n nome nvarchar(40) NOT NULL,\n dia date NULL\n);"),
                      QStringLiteral("inline"));
    const StatementCheck check(source, destination, QStringLiteral("pos"), QStringLiteral("loja"));

    EXPECT_EQ(check.problems(QStringLiteral("INSERT INTO [loja].dbo.t (codigo, nome, dia) (SELECT codigo, ISNULL(nome, 0), quando FROM [pos].dbo.T)")).size(), 2)
        << "ISNULL on text, and nvarchar(80) into nvarchar(40)";
    EXPECT_EQ(check.problems(QStringLiteral("INSERT INTO [loja].dbo.t (codigo, nome, dia) (SELECT codigo, '', 0 FROM [pos].dbo.T)")),
              QStringList{QStringLiteral("a number 0 into dia (date)")});
    EXPECT_EQ(check.problems(QStringLiteral("INSERT INTO [loja].dbo.t (codigo, nome, dia) (SELECT codigo, NULL, NULL FROM [pos].dbo.T)")),
              QStringList{QStringLiteral("NULL NULL into nome (nvarchar) NOT NULL")});
    EXPECT_EQ(check.problems(QStringLiteral("SELECT x.codigo FROM [pos].dbo.T x INNER JOIN [loja].dbo.t y ON x.codigo = y.falta")),
              QStringList{QStringLiteral("no column t.falta")});
    EXPECT_EQ(check.problems(QStringLiteral("DELETE FROM [loja].dbo.nada")),
              QStringList{QStringLiteral("DELETE: no table nada in the destination fixture")});
}

TEST(FixtureScripts, ReaderCatchesInsertsThatWouldFail)
{
    server::FixtureSchema schema;
    schema.apply(QStringLiteral("CREATE TABLE dbo.T (\n a int NOT NULL,\n b nvarchar(5) NULL\n);\nGO\n"
                                "INSERT INTO dbo.T (a, c) VALUES (1, N'x');\n"
                                "INSERT INTO dbo.T (a, b) VALUES (1, N'x, y'), (2);\n"
                                "INSERT INTO dbo.T (b) VALUES (N'z');\n"
                                "ALTER TABLE dbo.T DROP COLUMN b;\nGO\nUPDATE dbo.T SET b = 1 WHERE a = 1;\n"),
                 QStringLiteral("inline"));
    EXPECT_EQ(schema.problems(), QStringList({QStringLiteral("inline: INSERT into unknown column T.c"),
                                              QStringLiteral("inline: INSERT into T: 1 values for 2 columns"),
                                              QStringLiteral("inline: INSERT into T leaves NOT NULL column a out"),
                                              QStringLiteral("inline: UPDATE of unknown column T.b")}));
}

}  // namespace
