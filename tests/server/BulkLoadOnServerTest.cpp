// Rows read across by bulk load, against the one server's INSERT ... SELECT of
// the same rows: two sessions on the test server stand for the two servers,
// the source's session reading and the destination's writing.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/common/Transaction.h"
#include "core/links/Link.h"
#include "core/steps/SourceStatement.h"
#include "db/OdbcConnection.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using core::ColumnValue;

class BulkLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
    }

    void open(db::OdbcConnection& cn, const server::ScratchDatabase& db)
    {
        cn.setTarget(core::connectionTarget(core::readLink(h.initString(db.name(), h.settings().password)),
                                            QStringLiteral("master")));
        cn.open();
    }

    // Runs copy into table in a transaction of its own, as a step runs it: on
    // one server, or with the source read through a session of its own and
    // the rows loaded in bulk. The server's refusal, if any.
    std::optional<QString> copy(const core::StepStatement& copy, const QString& table,
                                const server::ScratchDatabase& src, const server::ScratchDatabase& dst, bool across)
    {
        db::OdbcConnection source;
        db::OdbcConnection destination;
        open(source, src);
        open(destination, dst);
        const std::unique_ptr<db::Query> read = source.createQuery(QStringLiteral("q_aux"));
        const std::unique_ptr<db::Query> write = destination.createQuery(QStringLiteral("q_exec"));
        const core::BulkTargets bulk(destination.bulkLoads(), *write, dst.name(), {table});
        core::StepSides sides{destination, *write, across ? *read : *write, across ? &source : nullptr};
        sides.bulk = &bulk;
        byBulkLoad = bulk.plan(table, copy.acrossServers->columns).has_value();
        std::optional<QString> refusal;
        try {
            core::inTransaction(destination, [&] { core::runStepStatement(copy, {src.name(), dst.name()}, sides); });
        } catch (const std::exception& e) {
            refusal = core::failureText(e);
        }
        return refusal;
    }

    harness::ServerHarness h;
    // Whether the last copy's table took its rows across by bulk load.
    bool byBulkLoad = false;
};

core::StepStatement copyOf(const core::RowCopy& rows)
{
    return core::SourceStatement(rows, true).insert();
}

// Every kind of value a column holds, at its extremes; rows 1 and 2 carry
// values the driver's bulk load does not (a long text and long bytes, a date
// before 1753) and go by INSERT between loads.
TEST_F(BulkLoad, EveryValueArrivesAsTheOneServersInsertSelectPutsIt)
{
    server::ScratchDatabase& src = h.destination(QStringLiteral("kovara_bulk_src_"));
    src.execute(QStringLiteral(
        "CREATE TABLE dbo.valores (id int NOT NULL, exato decimal(38,10) NULL, dinheiro money NULL, quantia money NULL, "
        "preco decimal(9,2) NULL, real8 float NULL, real4 real NULL, grande bigint NULL, texto nvarchar(200) NULL, "
        "longo nvarchar(max) NULL, aparado nvarchar(20) NULL, bytes varbinary(50) NULL, foto varbinary(max) NULL, "
        "momento datetime NULL, fino datetime2(7) NULL, dia date NULL, minuto smalldatetime NULL, sim bit NULL, "
        "pequeno smallint NULL, minimo tinyint NULL)"));
    src.execute(QStringLiteral(
        "INSERT INTO dbo.valores VALUES "
        "(1, 1.5, 2.25, 3.00, 3.00, 0.1, 0.5, 7, N'x', REPLICATE(CONVERT(nvarchar(max), N'ç'), 5000), N'a', 0x01, "
        "CONVERT(varbinary(max), REPLICATE(CONVERT(varchar(max), 'FOTO'), 2500)), '2024-02-29T10:11:12.347', "
        "'2024-02-29T10:11:12.3456789', '2024-02-29', '2024-02-29T10:11:00', 1, 5, 6), "
        "(2, -1.5, -2.25, -3.99, -7.99, -0.1, -0.5, -7, N'y', N'z', N'b', 0x02, 0x03, '1753-01-01T00:00:00', "
        "'0001-01-01T00:00:00.0000001', '0001-01-01', '1900-01-01T00:00:00', 0, -5, 0), "
        "(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
        "(4, 9999999999999999999999999999.9999999999, 922337203685477.5807, 2147483647.49, 9999999.99, "
        "1.7976931348623157e308, 3.4028235e38, 9223372036854775807, N'O''Neil ção Ωμέγα 日本語 😀 :nome '' --', "
        "REPLICATE(CONVERT(nvarchar(max), N'ã'), 1500), N'abc      ', 0x00FF27, CONVERT(varbinary(max), REPLICATE(CONVERT(varchar(max), 'F'), 3000)), "
        "'9999-12-31T23:59:59.997', '9999-12-31T23:59:59.9999999', '9999-12-31', '2079-06-06T23:59:00', 1, 32767, 255), "
        "(5, -9999999999999999999999999999.9999999999, -922337203685477.5808, -2147483648.00, -9999999.99, "
        "-2.2250738585072014e-308, -1.17549435e-38, -9223372036854775808, N'', N'', N'', 0x, 0x, "
        "'1753-01-01T00:00:00.003', '1900-01-01T00:00:00.0000001', '1900-01-01', '1900-01-01T00:00:00', 0, -32768, 0)"));
    const QString destinationTable = QStringLiteral(
        "CREATE TABLE dbo.valores (id int NOT NULL, exato decimal(38,10) NULL, dinheiro money NULL, inteiro int NULL, "
        "decimalinteiro int NULL, real8 float NULL, real4 real NULL, grande bigint NULL, texto nvarchar(200) NULL, "
        "longo nvarchar(max) NULL, aparado nvarchar(5) NULL, bytes varbinary(50) NULL, foto varbinary(max) NULL, "
        "momento datetime NULL, fino datetime2(7) NULL, dia date NULL, minuto smalldatetime NULL, sim bit NULL, "
        "pequeno smallint NULL, minimo tinyint NULL, zero datetime NOT NULL, vazio nvarchar(10) NOT NULL)");
    server::ScratchDatabase& alone = h.destination(QStringLiteral("kovara_bulk_um_"));
    server::ScratchDatabase& across = h.destination(QStringLiteral("kovara_bulk_dois_"));
    alone.execute(destinationTable);
    across.execute(destinationTable);

    // Money and a decimal into int columns, and constants into a date and a text column.
    const ColumnValue zero{"0", true};
    const core::StepStatement valores = copyOf({"valores", "valores", {
        {"id"}, {"exato"}, {"dinheiro"}, {"inteiro", {"quantia"}}, {"decimalinteiro", {"preco"}}, {"real8"}, {"real4"},
        {"grande"}, {"texto"}, {"longo"}, {"aparado"}, {"bytes"}, {"foto"}, {"momento"}, {"fino"}, {"dia"}, {"minuto"},
        {"sim"}, {"pequeno"}, {"minimo"}, {"zero", zero}, {"vazio", {"''", true}}}});
    EXPECT_EQ(copy(valores, "valores", src, alone, false), std::nullopt);
    EXPECT_EQ(copy(valores, "valores", src, across, true), std::nullopt);
    EXPECT_TRUE(byBulkLoad);

    const auto stored = [&](const server::ScratchDatabase& db) {
        return h.rows(QStringLiteral(
                          "SELECT id, CONVERT(varchar(50), exato), CONVERT(varchar(30), CONVERT(decimal(19,4), dinheiro)), "
                          "inteiro, decimalinteiro, LTRIM(RTRIM(CONVERT(varchar(40), real8, 3))), "
                          "LTRIM(RTRIM(CONVERT(varchar(40), CONVERT(float, real4), 3))), CONVERT(varchar(30), grande), "
                          "texto, LEN(longo), LEFT(longo, 3), N'[' + aparado + N']', bytes, DATALENGTH(foto), "
                          "CONVERT(varchar(30), momento, 121), CONVERT(varchar(30), fino, 121), CONVERT(varchar(10), dia, 23), "
                          "CONVERT(varchar(30), minuto, 121), CONVERT(int, sim), pequeno, minimo, "
                          "CONVERT(varchar(30), zero, 121), N'[' + vazio + N']' FROM %1 ORDER BY id")
                          .arg(db.table("valores")));
    };
    const QStringList rows = stored(alone);
    EXPECT_EQ(stored(across), rows);
    ASSERT_EQ(rows.size(), 5);
    // Whole numbers as the server makes them: money rounded, decimals cut toward zero.
    EXPECT_TRUE(rows[0].startsWith("1|1.5000000000|2.2500|3|3|")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith("2|-1.5000000000|-2.2500|-4|-7|")) << rows[1].toStdString();
    EXPECT_TRUE(rows[3].startsWith("4|9999999999999999999999999999.9999999999|922337203685477.5807|2147483647|9999999|"))
        << rows[3].toStdString();
    EXPECT_TRUE(rows[3].contains("|O'Neil ção Ωμέγα 日本語 😀 :nome ' --|1500|ããã|[abc  ]|00FF27|3000|9999-12-31 23:59:59.997|"))
        << rows[3].toStdString();
    EXPECT_TRUE(rows[1].contains("|1753-01-01 00:00:00.000|0001-01-01 00:00:00")) << rows[1].toStdString();
    EXPECT_TRUE(rows[1].contains("|0001-01-01|")) << rows[1].toStdString();
    EXPECT_TRUE(rows[0].contains("|5000|ççç|[a]|01|10000|")) << rows[0].toStdString();
    EXPECT_TRUE(rows[2].startsWith("3|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
                                   "NULL|NULL|NULL|NULL|1900-01-01 00:00:00.000|[]"))
        << rows[2].toStdString();
}

// The destination's rules refuse on the bulk path what they refuse on one
// server: a CHECK, a unique key, a foreign key (a table with one goes by
// INSERT: this engine checks none in a bulk load), a NULL where the column
// takes none even with a default, text longer than the column, a number
// beyond it; a NULL stays NULL beside a default, and a trigger fires (its
// table goes by INSERT). A refused copy leaves the table as it was.
TEST_F(BulkLoad, TheDestinationsRulesRefuseWhatTheyRefuseOnOneServer)
{
    server::ScratchDatabase& src = h.destination(QStringLiteral("kovara_bulk_src_"));
    src.execute(QStringLiteral("CREATE TABLE dbo.linhas (codigo int NOT NULL, nome nvarchar(40) NULL, valor int NULL, pai int NULL)"));
    server::ScratchDatabase& alone = h.destination(QStringLiteral("kovara_bulk_um_"));
    server::ScratchDatabase& across = h.destination(QStringLiteral("kovara_bulk_dois_"));
    for (server::ScratchDatabase* dst : {&alone, &across})
        dst->execute(QStringLiteral("CREATE TABLE dbo.pais (codigo int NOT NULL PRIMARY KEY); INSERT INTO dbo.pais VALUES (1); "
                                    "CREATE TABLE dbo.auditoria (codigo int)"));
    const core::StepStatement linhas = copyOf({"linhas", "linhas", {{"codigo"}, {"nome"}, {"valor"}, {"pai"}}});

    struct Case {
        const char* label;
        const char* columns;  // of the destination's linhas
        const char* rows;     // of the source's
        bool refused;
        bool byInsert = false;
    };
    const Case cases[] = {
        {"a CHECK", "codigo int NOT NULL, nome nvarchar(40) NULL, valor int NULL CHECK (valor < 100), pai int NULL",
         "(1, N'a', 1, 1), (2, N'b', 500, 1)", true},
        {"a unique key", "codigo int NOT NULL, nome nvarchar(40) NULL UNIQUE, valor int NULL, pai int NULL",
         "(1, N'a', 1, 1), (2, N'a', 2, 1)", true},
        {"a foreign key", "codigo int NOT NULL, nome nvarchar(40) NULL, valor int NULL, pai int NULL REFERENCES dbo.pais (codigo)",
         "(1, N'a', 1, 1), (2, N'b', 2, 99)", true, true},
        {"NULL where the column takes none", "codigo int NOT NULL, nome nvarchar(40) NOT NULL DEFAULT N'x', valor int NULL, pai int NULL",
         "(1, NULL, 1, 1)", true},
        {"NULL into a column with a default", "codigo int NOT NULL, nome nvarchar(40) NULL, valor int NULL DEFAULT 7, pai int NULL",
         "(1, N'a', NULL, 1)", false},
        {"text longer than the column", "codigo int NOT NULL, nome nvarchar(5) NULL, valor int NULL, pai int NULL",
         "(1, N'abcdefgh', 1, 1)", true},
        {"a number beyond the column", "codigo int NOT NULL, nome nvarchar(40) NULL, valor smallint NULL, pai int NULL",
         "(1, N'a', 40000, 1)", true},
        {"a trigger", "codigo int NOT NULL, nome nvarchar(40) NULL, valor int NULL, pai int NULL",
         "(1, N'a', 1, 1), (2, N'b', 2, 1)", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        src.execute(QStringLiteral("DELETE FROM dbo.linhas; INSERT INTO dbo.linhas VALUES ") + QLatin1String(c.rows));
        std::vector<std::optional<QString>> refusals;
        std::vector<QStringList> kept;
        for (server::ScratchDatabase* dst : {&alone, &across}) {
            dst->execute(QStringLiteral("DROP TABLE IF EXISTS dbo.linhas; DELETE FROM dbo.auditoria; CREATE TABLE dbo.linhas (") +
                         QString::fromUtf8(c.columns) + QStringLiteral("); INSERT INTO dbo.linhas VALUES (0, N'velho', 0, 1)"));
            if (QLatin1String(c.label) == QLatin1String("a trigger"))
                dst->execute(QStringLiteral("CREATE TRIGGER dbo.t ON dbo.linhas AFTER INSERT AS INSERT INTO %1 (codigo) "
                                            "SELECT codigo FROM inserted").arg(dst->table("auditoria")));
            refusals.push_back(copy(linhas, "linhas", src, *dst, dst == &across));
            kept.push_back(h.rows(QStringLiteral("SELECT * FROM %1 ORDER BY codigo").arg(dst->table("linhas"))) +
                           h.rows(QStringLiteral("SELECT COUNT(*) FROM %1").arg(dst->table("auditoria"))));
        }
        EXPECT_EQ(refusals[0].has_value(), c.refused) << refusals[0].value_or("").toStdString();
        EXPECT_EQ(refusals[1].has_value(), c.refused) << refusals[1].value_or("").toStdString();
        EXPECT_EQ(kept[1], kept[0]);
        EXPECT_EQ(byBulkLoad, !c.byInsert);
        if (c.refused) {
            EXPECT_EQ(kept[1], QStringList({"0|velho|0|1", "0"}));
        }
    }
    EXPECT_EQ(h.rows(QStringLiteral("SELECT COUNT(*) FROM %1").arg(across.table("auditoria"))), QStringList{"2"});
}

// A stock line the destination refuses is named as a table's row is: by its
// product, the column and what the destination takes; the document is whole
// or absent.
TEST_F(BulkLoad, ARefusedStockLineIsNamedByItsColumn)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    dst.execute(QStringLiteral("DELETE FROM dbo.vendas; ALTER TABLE dbo.vendas ALTER COLUMN descricao nvarchar(10)"));
    const QStringList before = h.everyRow(dst);

    const QStringList events =
        h.run(src.name(), dst.name(), true, harness::steppingClock(QDateTime(QDate(2026, 3, 4), QTime(10, 0))));

    const qsizetype searched = events.indexOf(QStringLiteral("A procurar em Existencias os registos que o destino recusa..."));
    ASSERT_GT(searched, 0) << events.join(u'\n').toStdString();
    EXPECT_TRUE(events[searched - 1].startsWith(QStringLiteral("Excepção fatal: "))) << events[searched - 1].toStdString();
    EXPECT_EQ(events.mid(searched + 1),
              QStringList({"Existencias, código 101: descricao tem 13 caracteres; no destino cabem 10.",
                           "Existencias, código 104: descricao tem 14 caracteres; no destino cabem 10.",
                           "Processo abortado!"}));
    EXPECT_EQ(h.everyRow(dst).filter(QRegularExpression("^(vendas|documentos):")),
              before.filter(QRegularExpression("^(vendas|documentos):")));
}

}  // namespace
