// Times a whole run, stocks included, on one server, as the command line and
// the window run it (core::runConversion), and reads the process's peak
// memory after it: for a shop of N products, each with a barcode, nine in ten
// of them stocked. The source and destination are scratch databases on the
// server in KOVARA_TEST_ODBC.
//
// Usage: shop_run_bench [--rows N]     (N products, default 100000)

#include "BenchSupport.h"
#include "FixtureSchema.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/common/Clock.h"
#include "core/run/Conversion.h"
#include "db/OdbcConnection.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

// count products from code 200000 on, beside the fixture's own, built on the server.
void seed(server::ScratchDatabase& source, int count)
{
    const QString numbers = QStringLiteral(
        "WITH d AS (SELECT n FROM (VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)) AS v(n)), "
        "nums AS (SELECT d1.n + 10 * d2.n + 100 * d3.n + 1000 * d4.n + 10000 * d5.n + 100000 * d6.n "
        "+ 1000000 * d7.n AS n FROM d d1 CROSS JOIN d d2 CROSS JOIN d d3 CROSS JOIN d d4 CROSS JOIN d d5 "
        "CROSS JOIN d d6 CROSS JOIN (SELECT n FROM d WHERE n < 2) d7) ");
    const QString barcode = QStringLiteral("N'200' + RIGHT(N'0000000000' + CONVERT(nvarchar(10), n), 10)");
    source.execute(numbers + QStringLiteral(
        "INSERT INTO dbo.Produtos (codigo, descricao, familia, subfamilia, unidade, iva, fornecedor, precocompra, "
        "precovenda, dataultcompra, datacriacao, obs, retalho, codbarras, precovenda2, precovenda3, isencao, retencao, "
        "percentagemretencao, referencia, promocao, excluirdescontos) "
        "SELECT 200000 + n, N'Produto n.º ' + CONVERT(nvarchar(10), n), 1, 11, 1, 3, 301, 0.5, 1.25, "
        "DATEADD(ms, n, '2024-01-01T00:00:00'), '2024-01-01T10:11:12.347', N'Artigo de teste ção', 1, %1, 1.3, 1.4, "
        "0, 0, 12.3456, N'REF-' + CONVERT(nvarchar(10), n), 0, 0 FROM nums WHERE n < %2").arg(barcode).arg(count));
    source.execute(numbers + QStringLiteral("INSERT INTO dbo.codigosbarras (codbarras, codigo) "
                                            "SELECT %1, 200000 + n FROM nums WHERE n < %2").arg(barcode).arg(count));
    source.execute(QStringLiteral("INSERT INTO dbo.Existencias (codigo, existencia) SELECT codigo, "
                                  "CONVERT(decimal(19,4), codigo % 97) + 0.25 FROM dbo.Produtos "
                                  "WHERE codigo >= 200000 AND codigo % 10 <> 0"));
}

QString initString(const server::ServerSettings& settings, const QString& database)
{
    return QStringLiteral("SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=%3;Data Source=%4")
        .arg(settings.password, settings.user, database, settings.dataSource());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<int> parsed = bench::rowsOrUsage(argc, argv, 100000, 1, 1999999, "shop_run_bench");
    if (!parsed)
        return 2;
    const int rows = *parsed;
    const std::optional<server::ServerSettings> settings = server::settingsFromEnvironment();
    if (!settings) {
        std::printf("%s must name a SQL Server login that may create and drop databases. Nothing measured.\n",
                    server::kVariable);
        return 0;
    }
    try {
        server::SqlSession admin(settings->odbc);
        // Dropped when main leaves this block, however it leaves it.
        server::ScratchDatabase source(admin, QStringLiteral("kovara_bench_src_"));
        server::ScratchDatabase destination(admin, QStringLiteral("kovara_bench_dst_"));
        source.runScript(QStringLiteral("source_schema.sql"));
        source.runScript(QStringLiteral("source_rows.sql"));
        destination.runScripts(server::kDestinationScripts);
        seed(source, rows);
        const int stocked = admin.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 e INNER JOIN %2 p ON e.codigo = p.codigo")
                                            .arg(source.table(QStringLiteral("Existencias")), source.table(QStringLiteral("Produtos"))))
                                .toInt();
        std::printf("whole run of %d products (%d stocked) on %s; peak RSS before it %.1f MB\n", rows, stocked,
                    qPrintable(settings->dataSource()), bench::peakRssMegabytes());
        std::fflush(stdout);

        const QString countLines = QStringLiteral("SELECT COUNT(*) FROM %1").arg(destination.table(QStringLiteral("vendas")));
        const int linesBefore = admin.scalar(countLines).toInt();
        bench::SilentSink sink;
        core::RunOutcome outcome = core::RunOutcome::Aborted;
        double seconds = 0;
        {
            db::OdbcConnection cn;
            const std::unique_ptr<db::Query> q_exec = cn.createQuery(QStringLiteral("q_exec"));
            const std::unique_ptr<db::Query> q_aux = cn.createQuery(QStringLiteral("q_aux"));
            seconds = bench::secondsOf([&] {
                outcome = core::runConversion({cn, *q_exec, *q_aux}, core::readLink(initString(*settings, source.name())),
                                              core::readLink(initString(*settings, destination.name())), true, sink,
                                              core::systemNow);
            });
        }
        if (outcome != core::RunOutcome::Complete)
            throw std::runtime_error("the run did not complete");
        const int lines = admin.scalar(countLines).toInt() - linesBefore;
        if (lines != stocked)
            throw std::runtime_error(QStringLiteral("%1 stock lines written, not %2").arg(lines).arg(stocked).toStdString());
        std::printf("whole run %10.3f s   peak RSS %7.1f MB\n", seconds, bench::peakRssMegabytes());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "shop_run_bench: %s\n", e.what());
        return 1;
    }
}
