// Times the stock transfer against the SQL Server in KOVARA_TEST_ODBC:
//   (b) core::runStockTransfer as built, through the real ODBC layer: the
//       lines by bulk load;
//   (b') the same with the lines in parameter arrays, each its own
//       execution, as where vendas has a trigger or the driver no bulk copy;
//   (c) for reference, one server-side INSERT ... SELECT writing the same rows.
// Each writes one whole document into an emptied vendas/documentos. The last
// line printed is "ratio <(b) seconds / (c) seconds>"; (b) runs first, so
// the peak memory printed after it is its own.
//
// Usage: stock_transfer_bench [--rows N]     (N stocked products, default 100000)

#include "BenchSupport.h"
#include "FixtureSchema.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "core/steps/BulkTargets.h"
#include "core/steps/StockTransfer.h"
#include "db/OdbcConnection.h"


#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <stdexcept>

namespace {

// The same rows in one statement, computed on the server.
const QString kSetBasedLines = QStringLiteral(
    "INSERT INTO @destino.dbo.vendas (numero, doc, codigo, data, datahora, descricao, qtd, armazem, empid) "
    "SELECT 1, 'IN', e.codigo, CONVERT(datetime, CONVERT(date, GETDATE())), GETDATE(), ISNULL(p.descricao, N''), "
    "ISNULL(e.existencia, 0), 0, 1 FROM @origem.dbo.Existencias e INNER JOIN @origem.dbo.Produtos p ON e.codigo = p.codigo");
const QString kSetBasedHeader = QStringLiteral(
    "INSERT INTO @destino.dbo.documentos (numero, doc, data, datahora, cliente, nome, anulado, descricao, id, idcx, emp, tipo) "
    "VALUES (1, 'IN', CONVERT(datetime, CONVERT(date, GETDATE())), GETDATE(), 0, 'Acerto directo de stock', 0, '', 0, 0, 1, 1)");

void setBasedTransfer(const core::DatabaseNames& names, db::Connection& cn, db::Query& q_exec)
{
    cn.beginTransaction();
    try {
        q_exec.setSql(core::substituteNames(kSetBasedLines, names));
        q_exec.execute();
        q_exec.setSql(core::substituteNames(kSetBasedHeader, names));
        q_exec.execute();
    } catch (...) {
        cn.rollback();
        throw;
    }
    cn.commit();
}

// Fills the source with rows stocked products, built on the server.
void seed(server::ScratchDatabase& source, int rows)
{
    source.execute(QStringLiteral(
        "INSERT INTO dbo.Produtos (codigo, descricao) SELECT i, N'Produto n.º ' + CONVERT(nvarchar(10), i) "
        "FROM (SELECT TOP (%1) ROW_NUMBER() OVER (ORDER BY (SELECT NULL)) AS i "
        "FROM sys.all_columns a CROSS JOIN sys.all_columns b) AS n")
                       .arg(rows));
    source.execute(QStringLiteral("INSERT INTO dbo.Existencias (codigo, existencia) "
                                  "SELECT codigo, CONVERT(decimal(19,4), codigo % 97) + 0.25 FROM dbo.Produtos"));
}

void emptyDocuments(server::ScratchDatabase& destination)
{
    destination.execute(QStringLiteral("TRUNCATE TABLE dbo.vendas; DELETE FROM dbo.documentos"));
}

// Each way must have written the whole document, or its time means nothing.
void checkDocument(server::SqlSession& admin, const server::ScratchDatabase& destination, int rows, const char* what)
{
    const int lines = admin.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(destination.table(QStringLiteral("vendas")))).toInt();
    const int headers = admin.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(destination.table(QStringLiteral("documentos")))).toInt();
    if (lines != rows || headers != 1)
        throw std::runtime_error(QStringLiteral("%1 wrote %2 lines and %3 headers, not %4 and 1")
                                     .arg(QLatin1String(what)).arg(lines).arg(headers).arg(rows).toStdString());
}

// The client's processor time since the last report, beside the wall time.
void report(const char* label, double seconds, int rows)
{
    static double cpuBefore = 0;
    const double cpu = bench::cpuSeconds() - cpuBefore;
    cpuBefore += cpu;
    std::printf("%-34s %10.3f s %12.0f rows/s   peak RSS %7.1f MB   client CPU %7.2f s\n", label, seconds, rows / seconds, bench::peakRssMegabytes(), cpu);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<int> parsed = bench::rowsOrUsage(argc, argv, 100000, 1, 10000000, "stock_transfer_bench");
    if (!parsed)
        return 2;
    const int rows = *parsed;

    const std::optional<server::ServerSettings> settings = server::settingsFromEnvironment();
    if (!settings) {
        std::printf("%s is not set: the stock transfer benchmark needs a SQL Server login that may create and drop "
                    "databases, e.g. %s='DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=1433;UID=sa;PWD=...;TDS_Version=7.4'. "
                    "Nothing measured.\n",
                    server::kVariable, server::kVariable);
        return 0;
    }

    try {
        server::SqlSession admin(settings->odbc);
        // Dropped when main leaves this block, however it leaves it.
        server::ScratchDatabase source(admin, QStringLiteral("kovara_bench_src_"));
        server::ScratchDatabase destination(admin, QStringLiteral("kovara_bench_dst_"));
        source.runScript(QStringLiteral("source_schema.sql"));
        destination.runScript(QStringLiteral("destination_schema.sql"));
        seed(source, rows);
        const core::DatabaseNames names{source.name(), destination.name()};

        std::printf("stock transfer of %d stocked products on %s\n", rows, qPrintable(settings->dataSource()));
        std::fflush(stdout);

        double asBuilt = 0;
        double inArrays = 0;
        double setBased = 0;
        {
            // Closed before the databases are dropped.
            db::OdbcConnection cn;
            cn.setTarget(db::ConnectionTarget::native(settings->odbc));
            cn.open();
            const std::unique_ptr<db::Query> q_exec = cn.createQuery(QStringLiteral("q_exec"));
            const std::unique_ptr<db::Query> q_aux = cn.createQuery(QStringLiteral("q_aux"));

            // As a run on one server reads them: streamed through a second session.
            const std::unique_ptr<db::Connection> reader = cn.createPeer();
            reader->setTarget(db::ConnectionTarget::native(settings->odbc));
            reader->open();

            // First, so that the peak memory read after it is its own.
            emptyDocuments(destination);
            bench::SilentSink sink;
            const core::BulkTargets bulk(cn.bulkLoads(), *q_exec, destination.name(), {QStringLiteral("vendas")});
            if (!bulk.any())
                throw std::runtime_error("vendas takes no bulk load here");
            asBuilt = bench::secondsOf(
                [&] { core::runStockTransfer(names, {cn, *q_exec, *q_aux, reader.get(), &bulk}, sink, core::systemNow); });
            checkDocument(admin, destination, rows, "(b)");
            report("(b) runStockTransfer, bulk load", asBuilt, rows);

            emptyDocuments(destination);
            inArrays = bench::secondsOf(
                [&] { core::runStockTransfer(names, {cn, *q_exec, *q_aux, reader.get()}, sink, core::systemNow); });
            checkDocument(admin, destination, rows, "(b')");
            report("(b') the same in parameter arrays", inArrays, rows);
            reader->close();

            emptyDocuments(destination);
            setBased = bench::secondsOf([&] { setBasedTransfer(names, cn, *q_exec); });
            checkDocument(admin, destination, rows, "(c)");
            report("(c) set-based INSERT ... SELECT", setBased, rows);

            cn.close();
        }
        std::printf("(b) against (c): %.0f%% of the set-based speed; (b') %.0f%%\n", 100.0 * setBased / asBuilt,
                    100.0 * setBased / inArrays);
        std::printf("ratio %.3f\n", asBuilt / setBased);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stock_transfer_bench: %s\n", e.what());
        return 1;
    }
}
