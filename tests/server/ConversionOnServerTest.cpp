// Whole conversions against a real SQL Server: statements, types, three-part
// names, transactions and parameter binding as the server sees them. Each test
// builds scratch databases from the fixture scripts and drops them at the end.

#include "DirtyShop.h"
#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"

#include <gtest/gtest.h>

namespace {

using harness::kStep;
using harness::sqlText;

// The stock transfer reads the clock once for the document, then once per line.
const QDateTime kRunTime(QDate(2026, 3, 4), QTime(10, 0, 0, 250));

const QStringList kEarlierDocuments{"FT|900", "IN|7", "IN|41", "IN|120000"};

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
    }

    QStringList codes(const server::ScratchDatabase& db, const char* table)
    {
        return h.rows(QStringLiteral("SELECT codigo FROM %1 ORDER BY codigo").arg(db.table(QLatin1String(table))));
    }

    QStringList documents(const server::ScratchDatabase& db)
    {
        return h.rows(QStringLiteral("SELECT doc, numero FROM %1 ORDER BY doc, numero").arg(db.table("documentos")));
    }

    QStringList linesOf(const server::ScratchDatabase& db, int number)
    {
        return h.rows(QStringLiteral("SELECT codigo, CONVERT(varchar(40), qtd), descricao FROM %1 "
                                     "WHERE doc = 'IN' AND numero = %2 ORDER BY codigo")
                          .arg(db.table("vendas"))
                          .arg(number));
    }

    // The document a stock transfer wrote at runTime: its header, and one line
    // per stocked product written in the order the clock was read.
    void expectStockDocument(const server::ScratchDatabase& dst, int number, const QDateTime& runTime)
    {
        SCOPED_TRACE(QStringLiteral("document IN %1").arg(number).toStdString());
        const QString day = sqlText(QDateTime(runTime.date(), QTime(0, 0)));
        EXPECT_EQ(h.rows(QStringLiteral("SELECT numero, doc, CONVERT(varchar(23), data, 121), CONVERT(varchar(23), datahora, 121), "
                                        "cliente, nome, CONVERT(int, anulado), descricao, id, idcx, emp, tipo FROM %1 "
                                        "WHERE doc = 'IN' AND numero = %2")
                             .arg(dst.table("documentos"))
                             .arg(number)),
                  QStringList{QStringLiteral("%1|IN|%2|%3|0|Acerto directo de stock|0||0|0|1|1").arg(number).arg(day, sqlText(runTime))});

        EXPECT_EQ(linesOf(dst, number), expected::stockLines());

        QStringList fixed;
        QStringList times;
        for (qsizetype i = 0; i < expected::stockLines().size(); ++i) {
            fixed.append(QStringLiteral("%1|0|1").arg(day));
            times.append(sqlText(runTime.addSecs(i + 1)));
        }
        EXPECT_EQ(h.rows(QStringLiteral("SELECT CONVERT(varchar(23), data, 121), armazem, empid FROM %1 "
                                        "WHERE doc = 'IN' AND numero = %2 ORDER BY linha")
                             .arg(dst.table("vendas"))
                             .arg(number)),
                  fixed);
        EXPECT_EQ(h.rows(QStringLiteral("SELECT CONVERT(varchar(23), datahora, 121) FROM %1 "
                                        "WHERE doc = 'IN' AND numero = %2 ORDER BY linha")
                             .arg(dst.table("vendas"))
                             .arg(number)),
                  times);
    }

    // The tables of the steps that never ran, or that failed, as they were.
    void expectUntouched(const server::ScratchDatabase& dst, const QStringList& tables)
    {
        for (const QString& t : tables) {
            const QString key = t == u"codigosbarras" ? QStringLiteral("codbarras") : QStringLiteral("codigo");
            const QString expected = t == u"codigosbarras" ? QStringLiteral("9999999999999") : QStringLiteral("9001");
            EXPECT_EQ(h.rows(QStringLiteral("SELECT %1 FROM %2").arg(key, dst.table(t))), QStringList{expected}) << t.toStdString();
        }
    }

    harness::ServerHarness h;
};

// --- A whole run on every shape of source ---------------------------------------------------------------

}  // namespace

namespace server {
// Names the variant in test listings rather than its bytes.
void PrintTo(const SourceVariant& variant, std::ostream* out)
{
    *out << variant.name().toStdString();
}
}  // namespace server

namespace {

class WholeRun : public ServerTest, public ::testing::WithParamInterface<server::SourceVariant> {};

TEST_P(WholeRun, ConvertsEveryTableAndWritesOneStockDocument)
{
    const server::SourceVariant variant = GetParam();
    server::ScratchDatabase& src = h.source(variant);
    server::ScratchDatabase& dst = h.destination();

    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)), expected::wholeRunEvents());

    h.expectConverted(dst, variant);
    // Numbered after the highest "IN" in 0..99999 (41); nothing earlier removed.
    EXPECT_EQ(documents(dst), QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|120000"}));
    expectStockDocument(dst, 42, kRunTime);
    EXPECT_EQ(linesOf(dst, 41), QStringList{"9001|3.0000|Produto antigo"});
}

INSTANTIATE_TEST_SUITE_P(ProbeColumns, WholeRun,
                         ::testing::Values(server::SourceVariant{true, true, true, true},
                                           server::SourceVariant{false, true, true, true},
                                           server::SourceVariant{true, false, true, true},
                                           server::SourceVariant{true, true, false, true},
                                           server::SourceVariant{true, true, true, false},
                                           server::SourceVariant{false, false, false, false}),
                         [](const ::testing::TestParamInfo<server::SourceVariant>& info) {
                             return info.param.name().toStdString();
                         });

// --- The stock document ----------------------------------------------------------------------------

using StockDocument = ServerTest;

TEST_F(StockDocument, TwoRunsAddTwoConsecutiveDocuments)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const QDateTime secondRunTime(QDate(2026, 3, 5), QTime(9, 0, 0, 500));

    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)), expected::wholeRunEvents());
    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(secondRunTime)), expected::wholeRunEvents());

    EXPECT_EQ(documents(dst), QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|43", "IN|120000"}));
    expectStockDocument(dst, 42, kRunTime);
    expectStockDocument(dst, 43, secondRunTime);
    // The master tables were emptied and refilled, not doubled.
    h.expectConverted(dst, {});
}

TEST_F(StockDocument, After99999ComesNumber100000)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    dst.execute(QStringLiteral("INSERT INTO dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) "
                               "VALUES (99999, N'IN', '2025-12-31T00:00:00', '2025-12-31T23:59:00', 0, N'Acerto directo de stock', 0, N'', 0, 0, 1, 1)"));

    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)), expected::wholeRunEvents());

    EXPECT_EQ(documents(dst), QStringList({"FT|900", "IN|7", "IN|41", "IN|99999", "IN|100000", "IN|120000"}));
    expectStockDocument(dst, 100000, kRunTime);
}

TEST_F(StockDocument, NoStockedProductWritesNoDocument)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    // Only the stock row without a product is left.
    src.execute(QStringLiteral("DELETE FROM dbo.Existencias WHERE codigo <> 999"));

    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)), expected::wholeRunEvents(false));

    EXPECT_EQ(documents(dst), kEarlierDocuments);
    EXPECT_EQ(h.rows(QStringLiteral("SELECT numero, codigo FROM %1").arg(dst.table("vendas"))), QStringList{"41|9001"});
}

// --- A step that fails ----------------------------------------------------------------------------

using FailingStep = ServerTest;

TEST_F(FailingStep, MissingColumnEndsTheRunAndTheStepKeepsItsTables)
{
    // Without frontoffice the families step reads visivel, posicao, fundo and letra.
    server::SourceVariant variant;
    variant.frontoffice = false;
    server::ScratchDatabase& src = h.source(variant);
    server::ScratchDatabase& dst = h.destination();
    src.execute(QStringLiteral("ALTER TABLE dbo.Familias DROP COLUMN letra"));

    QStringList failure{QStringLiteral("Excepção fatal: ") + h.engine().invalidColumnName(QStringLiteral("letra")),
                        QStringLiteral("Processo abortado!")};
    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)),
              expected::eventsUpToCountOfStep(4) + failure);

    // The steps before it stay converted.
    h.expectConverted(dst, variant, 1, 3);
    // Its DELETE was rolled back with it; famzonas was never reached.
    expectUntouched(dst, {"familias", "iva", "produtos", "codigosbarras", "fornecedores", "unidades"});
    EXPECT_EQ(h.rows(QStringLiteral("SELECT familia, zona FROM %1").arg(dst.table("famzonas"))), QStringList{"9001|3"});
    EXPECT_EQ(documents(dst), kEarlierDocuments);
}

TEST_F(FailingStep, MissingBarcodeTableRollsTheProductsBack)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    src.execute(QStringLiteral("DROP TABLE dbo.codigosbarras"));

    QStringList failure{
        QStringLiteral("Excepção fatal: ") + h.engine().invalidObjectName(src.name(), QStringLiteral("codigosbarras")),
        QStringLiteral("Processo abortado!")};
    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)),
              expected::eventsUpToCountOfStep(6) + failure);

    h.expectConverted(dst, {}, 5, 5);
    // The products written before the barcodes failed went back with them.
    expectUntouched(dst, {"produtos", "codigosbarras", "fornecedores", "unidades"});
    EXPECT_EQ(documents(dst), kEarlierDocuments);
}

TEST_F(FailingStep, BadRowsOfTheProductsStepAreNamedAndTheStepKeepsItsTables)
{
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    dirty::spoil(src, dst, {"Produtos", "codigosbarras"});

    const QStringList events = h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime));

    const QStringList before = expected::eventsUpToCountOfStep(6);
    ASSERT_GT(events.size(), before.size() + 1);
    EXPECT_EQ(events.mid(0, before.size()), before);
    EXPECT_TRUE(events[before.size()].startsWith(QStringLiteral("Excepção fatal: "))) << events[before.size()].toStdString();
    EXPECT_EQ(events.last(), QStringLiteral("Processo abortado!"));
    QStringList named = events.mid(before.size() + 1, events.size() - before.size() - 2);
    SCOPED_TRACE(named.join(u'\n').toStdString());
    EXPECT_EQ(named.takeFirst(), QStringLiteral("A procurar em Produtos os registos que o destino recusa..."));
    bool barcodesSearched = false;
    for (const dirty::BadRow& row : dirty::badRows()) {
        if (row.table == std::string("codigosbarras") && !std::exchange(barcodesSearched, true)) {
            EXPECT_EQ(named.takeFirst(), QStringLiteral("A procurar em codigosbarras os registos que o destino recusa..."));
        }
        if (row.table == std::string("Produtos") || row.table == std::string("codigosbarras")) {
            ASSERT_FALSE(named.isEmpty()) << row.line;
            EXPECT_TRUE(dirty::names(row, named.takeFirst())) << row.line;
        }
    }
    EXPECT_EQ(named, QStringList());

    h.expectConverted(dst, {}, 1, 5);
    expectUntouched(dst, {"produtos", "codigosbarras", "fornecedores", "unidades"});
    EXPECT_EQ(documents(dst), kEarlierDocuments);
}

// Rows that share a value of one of the destination's unique keys are named by
// that key, their values compared as the destination compares them.
TEST_F(FailingStep, RowsSharingAUniqueKeysValueAreNamedAsTheDestinationComparesThem)
{
    struct Case {
        const char* source;
        const char* destination;
        const char* line;  // nullptr: no row is named
        bool needsIndexFilters = false;
    };
    const std::vector<Case> cases{
        // A unique index, which no constraint shows, in a collation that ignores case, and that takes NULLs as equal.
        {"UPDATE dbo.Produtos SET referencia = N'caf-001' WHERE codigo = 102", "CREATE UNIQUE INDEX ux_referencia ON dbo.produtos (referencia)",
         "Produtos, códigos 101 e 102: os dois têm referencia CAF-001; no destino não se pode repetir."},
        {"UPDATE dbo.Produtos SET referencia = NULL WHERE codigo = 104", "SELECT 1",
         "Produtos, códigos 103 e 104: os dois têm referencia vazio; no destino não se pode repetir."},
        // A filtered index holds none of the rows: every product's descricaocurta is ''.
        {"SELECT 1", "CREATE UNIQUE INDEX ux_curta ON dbo.produtos (descricaocurta) WHERE descricaocurta <> N''", nullptr, true},
        // Text that differs only in case and trailing blanks; three products with one barcode.
        {"DROP TABLE dbo.codigosbarras; CREATE TABLE dbo.codigosbarras (codbarras nvarchar(30) NOT NULL, codigo int NOT NULL); "
         "INSERT INTO dbo.codigosbarras (codbarras, codigo) VALUES (N'5601234000017', 101), (N'ABC-1', 101), (N'abc-1  ', 103)",
         "SELECT 1", "codigosbarras, códigos 101 e 103: os dois têm codbarras ABC-1; no destino não se pode repetir."},
        {"INSERT INTO dbo.codigosbarras (codbarras, codigo) VALUES (N'5600000000009', 102), (N'5600000000009', 103), "
         "(N'5600000000009', 104)",
         "SELECT 1", "codigosbarras, códigos 102, 103 e 104: há 3 registos com codbarras 5600000000009; no destino não se pode repetir."},
    };
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    QStringList named{QStringLiteral("A procurar em Produtos os registos que o destino recusa...")};
    for (const Case& c : cases) {
        if (c.needsIndexFilters && !h.engine().showsIndexFilters())
            continue;
        src.execute(QString::fromUtf8(c.source));
        dst.execute(QString::fromUtf8(c.destination));
        if (!c.line)
            continue;
        if (QByteArray(c.line).startsWith("codigosbarras") && !named.last().startsWith(QStringLiteral("codigosbarras")))
            named.append(QStringLiteral("A procurar em codigosbarras os registos que o destino recusa..."));
        named.append(QString::fromUtf8(c.line));
    }

    const QStringList events = h.run(src.name(), dst.name(), false, harness::steppingClock(kRunTime));

    const qsizetype failed = expected::eventsUpToCountOfStep(6).size();
    ASSERT_GT(events.size(), failed + 1);
    EXPECT_EQ(events.mid(failed + 1, events.size() - failed - 2), named);
    EXPECT_EQ(events.last(), QStringLiteral("Processo abortado!"));
    expectUntouched(dst, {"produtos", "codigosbarras"});
}

// Bad rows spread over 3,000 units: three are all named; of 25, the first 20 are, and a line says there may be more.
TEST_F(FailingStep, TheSearchNamesRowsSpreadOverThousandsUpToItsLimit)
{
    for (const int bad : {3, 25}) {
        server::ScratchDatabase& src = h.source({});
        server::ScratchDatabase& dst = h.destination();
        dst.execute(QStringLiteral("ALTER TABLE dbo.unidades ALTER COLUMN descricao nvarchar(10)"));
        const int spacing = 2900 / bad;  // the bad ones are 100, 100 + spacing, ...
        src.execute(QStringLiteral("INSERT INTO dbo.Unidades (codigo, descricao) SELECT n, CASE WHEN (n - 100) % %1 = 0 AND n BETWEEN 100 AND %2 "
                                   "THEN N'Caixa grande' ELSE N'Caixa' END FROM (SELECT TOP (2997) 3 + ROW_NUMBER() OVER (ORDER BY "
                                   "(SELECT NULL)) - 1 AS n FROM sys.all_columns a CROSS JOIN sys.all_columns b) AS t").arg(spacing).arg(100 + (bad - 1) * spacing));
        QStringList named;
        for (int k = 0; k < std::min(bad, 20); ++k)
            named.append(QStringLiteral("Unidades, código %1: descricao tem 12 caracteres; no destino cabem 10.").arg(100 + k * spacing));

        const QStringList events = h.run(src.name(), dst.name(), false, harness::steppingClock(kRunTime));

        EXPECT_EQ(events.filter(QStringLiteral("Unidades, código ")), named);
        EXPECT_EQ(events.filter(QStringLiteral("Unidades: pode haver mais registos")).size(), bad > 20 ? 1 : 0);
    }
}

// --- Database names that need brackets --------------------------------------------------------------------

struct Names {
    const char* label;
    const char* source;
    const char* destination;
};

void PrintTo(const Names& names, std::ostream* out)
{
    *out << '"' << names.source << "\" and \"" << names.destination << '"';
}

class DatabaseNames : public ServerTest, public ::testing::WithParamInterface<Names> {};

TEST_P(DatabaseNames, ConvertAsAnyOther)
{
    const Names names = GetParam();
    if ((QByteArray(names.source) + names.destination).contains(']') && !h.engine().allowsBracketInNames())
        GTEST_SKIP() << h.engine().name().toStdString() << " refuses \"]]\" in a bracketed name, so no database "
                     << "can be named with \"]\" there";
    server::ScratchDatabase& src = h.source({}, QString::fromUtf8(names.source));
    server::ScratchDatabase& dst = h.destination(QString::fromUtf8(names.destination));

    EXPECT_EQ(h.run(src.name(), dst.name(), true, harness::steppingClock(kRunTime)), expected::wholeRunEvents());

    h.expectConverted(dst, {});
    expectStockDocument(dst, 42, kRunTime);
}

INSTANTIATE_TEST_SUITE_P(Quoted, DatabaseNames,
                         ::testing::Values(
                             // A name holding a placeholder is not replaced again, and a quote in the
                             // destination's name hides no parameter of the stock statements.
                             Names{"SpaceInSourceQuoteAndPlaceholderInDestination", "kovara src ",
                                   "kovara d'Ana @origem "},
                             Names{"BracketInBoth", "kovara]src ", "kovara]dst "},
                             // Neither a colon nor a quote inside a name is taken for the start of a
                             // parameter or of a text, in the table steps or in the stock statements.
                             Names{"ColonInSourceQuoteInDestination", "kovara:novo ", "kovara loja d'Ana "},
                             Names{"QuoteInSourceColonInDestination", "kovara loja d'Ana ", "kovara:novo "}),
                         [](const ::testing::TestParamInfo<Names>& info) { return std::string(info.param.label); });

// --- Login ------------------------------------------------------------------------------------------

using Login = ServerTest;

TEST_F(Login, WrongPasswordLogsTheServersLoginFailure)
{
    if (h.settings().user.isEmpty())
        GTEST_SKIP() << "KOVARA_TEST_ODBC has no UID: a wrong password needs a SQL Server login";

    const QStringList events = h.run(QStringLiteral("kovara_src_unused"), QStringLiteral("kovara_dst_unused"), true,
                                     harness::steppingClock(kRunTime), h.settings().password + QStringLiteral("-wrong"));

    ASSERT_EQ(events.size(), 3) << events.join(u'\n').toStdString();
    EXPECT_EQ(events[0], QStringLiteral("A ligar à base de dados..."));
    EXPECT_EQ(events[1], QStringLiteral("Excepção fatal: ") + h.engine().loginFailed(h.settings().user));
    EXPECT_EQ(events[2], QStringLiteral("Processo abortado!"));
}

}  // namespace
