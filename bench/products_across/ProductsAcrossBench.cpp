// Times the products step (products and their barcodes) for many products:
//   (a) source and destination on one server: the statements run there alone;
//   (b) the destination on another server, as built: the source's rows,
//       each value cast to its destination column's type, stream through the
//       program into the destination by bulk load;
//   (b') the same a thousand rows to an INSERT, as a destination table with
//       a trigger (or a driver without bulk copy) takes them.
// The source is on the server in KOVARA_TEST_ODBC, the other destination on
// the one in KOVARA_TEST_ODBC_DESTINATION (a second server, e.g. a second
// test server started from ../shared/test-sql-server on another port). The
// last line printed is "ratio <(b) seconds / (a) seconds>"; peak memory is
// the process's, read after (b), which runs first.
//
// Usage: products_across_bench [--rows N]     (N products, default 100000)

#include "BenchSupport.h"
#include "FixtureSchema.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/common/ConversionSink.h"
#include "core/steps/BulkTargets.h"
#include "core/steps/SourceStatement.h"
#include "core/steps/TableCopy.h"
#include "core/steps/TableSteps.h"
#include "db/OdbcConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <stdexcept>

namespace {

constexpr char kDestinationVariable[] = "KOVARA_TEST_ODBC_DESTINATION";

// count products from code 200000 on, beside the fixture's own, each with a
// barcode, a photo of a few hundred bytes, dates to the millisecond and
// amounts, built on the server.
void seed(server::ScratchDatabase& source, int count)
{
    const QString numbers = QStringLiteral(
        "WITH d AS (SELECT n FROM (VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)) AS v(n)), "
        "nums AS (SELECT d1.n + 10 * d2.n + 100 * d3.n + 1000 * d4.n + 10000 * d5.n + 100000 * d6.n AS n "
        "FROM d d1 CROSS JOIN d d2 CROSS JOIN d d3 CROSS JOIN d d4 CROSS JOIN d d5 CROSS JOIN d d6) ");
    const QString barcode = QStringLiteral("N'200' + RIGHT(N'0000000000' + CONVERT(nvarchar(10), n), 10)");
    source.execute(numbers + QStringLiteral(
        "INSERT INTO dbo.Produtos (codigo, descricao, familia, subfamilia, unidade, iva, fornecedor, foto, precocompra, "
        "precovenda, dataultcompra, datacriacao, obs, retalho, codbarras, precovenda2, precovenda3, isencao, retencao, "
        "percentagemretencao, referencia, promocao, excluirdescontos) "
        "SELECT 200000 + n, N'Produto n.º ' + CONVERT(nvarchar(10), n), 1, 11, 1, 3, 301, "
        "CONVERT(varbinary(max), REPLICATE(CONVERT(varchar(max), 'FOTO'), 100)), 0.5, 1.25, "
        "DATEADD(ms, n, '2024-01-01T00:00:00'), '2024-01-01T10:11:12.347', N'Artigo de teste ção', 1, %1, 1.3, 1.4, 0, 0, "
        "12.3456, N'REF-' + CONVERT(nvarchar(10), n), 0, 0 FROM nums WHERE n < %2").arg(barcode).arg(count));
    source.execute(numbers + QStringLiteral("INSERT INTO dbo.codigosbarras (codbarras, codigo) "
                                            "SELECT %1, 200000 + n FROM nums WHERE n < %2").arg(barcode).arg(count));
}

void checkProducts(server::SqlSession& admin, const server::ScratchDatabase& destination, int rows, const char* what)
{
    const int products = admin.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(destination.table(QStringLiteral("produtos")))).toInt();
    const int barcodes = admin.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(destination.table(QStringLiteral("codigosbarras")))).toInt();
    // The fixture brings 4 products and 3 barcodes of its own.
    if (products != rows + 4 || barcodes != rows + 3)
        throw std::runtime_error(QStringLiteral("%1 wrote %2 products and %3 barcodes, not %4 and %5")
                                     .arg(QLatin1String(what)).arg(products).arg(barcodes).arg(rows + 4).arg(rows + 3)
                                     .toStdString());
}

// The client's processor time since the last report, beside the wall time.
void report(const char* label, double seconds, int rows)
{
    static double cpuBefore = 0;
    const double cpu = bench::cpuSeconds() - cpuBefore;
    cpuBefore += cpu;
    std::printf("%-44s %10.3f s %12.0f products/s   peak RSS %7.1f MB   client CPU %7.2f s\n", label, seconds, rows / seconds,
                bench::peakRssMegabytes(), cpu);
    std::fflush(stdout);
}

const core::TableStep& productsStep()
{
    for (const core::TableStep& step : core::tableSteps()) {
        if (step.sourceTable == QStringLiteral("Produtos"))
            return step;
    }
    throw std::logic_error("no products step");
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<int> parsed = bench::rowsOrUsage(argc, argv, 100000, 1, 999999, "products_across_bench");
    if (!parsed)
        return 2;
    const int rows = *parsed;

    const std::optional<server::ServerSettings> here = server::settingsFromEnvironment();
    const QString elsewhereOdbc = qEnvironmentVariable(kDestinationVariable);
    if (!here || elsewhereOdbc.isEmpty()) {
        std::printf("%s and %s must both name a SQL Server login that may create and drop databases, on two "
                    "servers. Nothing measured.\n",
                    server::kVariable, kDestinationVariable);
        return 0;
    }

    try {
        server::SqlSession admin(here->odbc);
        server::SqlSession elsewhereAdmin(elsewhereOdbc);
        // Dropped when main leaves this block, however it leaves it.
        server::ScratchDatabase source(admin, QStringLiteral("kovara_bench_src_"));
        server::ScratchDatabase sameServer(admin, QStringLiteral("kovara_bench_dst_"));
        server::ScratchDatabase otherServer(elsewhereAdmin, QStringLiteral("kovara_bench_dst_"));
        source.runScript(QStringLiteral("source_schema.sql"));
        source.runScript(QStringLiteral("source_rows.sql"));
        sameServer.runScripts(server::kDestinationScripts);
        otherServer.runScripts(server::kDestinationScripts);
        seed(source, rows);

        std::printf("products step for %d products with barcodes, source on %s, other destination on %s\n", rows,
                    qPrintable(here->dataSource()), qPrintable(server::parseSettings(elsewhereOdbc).dataSource()));
        std::fflush(stdout);

        const core::TableStep& step = productsStep();
        bench::SilentSink sink;
        double across = 0;
        double alone = 0;
        {
            // Closed before the databases are dropped.
            db::OdbcConnection cn;
            cn.setTarget(db::ConnectionTarget::native(here->odbc));
            cn.open();
            const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
            const std::unique_ptr<db::Connection> far = cn.createPeer();
            far->setTarget(db::ConnectionTarget::native(elsewhereOdbc));
            far->open();
            const std::unique_ptr<db::Query> farQuery = far->createQuery(QStringLiteral("q_exec"));

            const core::BulkTargets bulk(far->bulkLoads(), *farQuery, otherServer.name(),
                                         {QStringLiteral("produtos"), QStringLiteral("codigosbarras")});
            if (!bulk.any())
                throw std::runtime_error("the other destination takes no bulk load");
            core::StepSides inBulk{*far, *farQuery, *q, &cn};
            inBulk.bulk = &bulk;
            across = bench::secondsOf([&] { core::runTableStep(step, {source.name(), otherServer.name()}, inBulk, sink); });
            checkProducts(elsewhereAdmin, otherServer, rows, "(b)");
            report("(b) across two servers, bulk load", across, rows);

            // Where (b)'s time goes: the source's rows read alone, cast as (b) reads them.
            double reading = 0;
            for (const core::SourceStatement& insert : core::insertsOf(step, true)) {
                const core::SplitStatement split = *insert.insert().acrossServers;
                const std::optional<core::BulkPlan> plan = bulk.plan(insert.destinationTable, split.columns);
                reading += bench::secondsOf([&] {
                    const std::unique_ptr<db::RowCursor> cursor =
                        core::openBulkRows(cn, split, *plan, {source.name(), otherServer.name()});
                    std::vector<db::ParamValue> row;
                    while (cursor->next(row)) {
                    }
                });
            }
            report("(r) of which reading the source, cast", reading, rows);

            // The INSERT path, for comparison.
            const double literal = bench::secondsOf([&] {
                core::runTableStep(step, {source.name(), otherServer.name()}, {*far, *farQuery, *q, &cn}, sink);
            });
            checkProducts(elsewhereAdmin, otherServer, rows, "(b')");
            report("(b') the same, 1000 rows to an INSERT", literal, rows);

            alone = bench::secondsOf([&] { core::runTableStep(step, {source.name(), sameServer.name()}, {cn, *q, *q}, sink); });
            checkProducts(admin, sameServer, rows, "(a)");
            report("(a) one server, INSERT ... SELECT", alone, rows);
            far->close();
            cn.close();
        }
        std::printf("ratio %.3f\n", across / alone);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "products_across_bench: %s\n", e.what());
        return 1;
    }
}
