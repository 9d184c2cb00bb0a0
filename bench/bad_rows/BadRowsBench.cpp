// Times the search for bad rows against the SQL Server in KOVARA_TEST_ODBC:
// a products step over N products (default 200000) of which 3, spread out,
// have a description longer than the destination's column.
//   (a) the products step on the clean source, as a run makes it;
//   (b) the same step on the spoilt source, until the server refuses it;
//   (c) the search that names the 3 rows after (b), the destination holding
//       the products (a) wrote, as when a shop is converted again;
//   (d) the same search into an empty destination table, as at a first
//       conversion. Each try empties the destination tables, so (c) pays
//       for deleting every old product at each try.
// The last line printed is "ratio <(c) seconds / (a) seconds>".
//
// Usage: bad_rows_bench [--rows N]

#include "BenchSupport.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/BadRows.h"
#include "core/ConversionSink.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"
#include "db/OdbcConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <stdexcept>

namespace {

class CountingSink : public core::ConversionSink {
public:
    void addLog(const QString& line) override
    {
        if (line.startsWith(QStringLiteral("Produtos, código ")))
            named.append(line);
    }
    void progressStep() override {}

    QStringList named;
};

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<int> parsed = bench::rowsOrUsage(argc, argv, 200000, 10, 10000000, "bad_rows_bench");
    if (!parsed)
        return 2;
    const int rows = *parsed;
    const std::optional<server::ServerSettings> settings = server::settingsFromEnvironment();
    if (!settings) {
        std::printf("%s is not set: the bad rows benchmark needs a SQL Server login that may create and drop "
                    "databases. Nothing measured.\n",
                    server::kVariable);
        return 0;
    }

    try {
        server::SqlSession admin(settings->odbc);
        server::ScratchDatabase source(admin, QStringLiteral("kovara_bench_src_"));
        server::ScratchDatabase destination(admin, QStringLiteral("kovara_bench_dst_"));
        source.runScript(QStringLiteral("source_schema.sql"));
        destination.runScript(QStringLiteral("destination_schema.sql"));
        destination.execute(QStringLiteral("ALTER TABLE dbo.produtos ALTER COLUMN descricao nvarchar(40)"));
        source.execute(QStringLiteral(
            "INSERT INTO dbo.Produtos (codigo, descricao, familia, iva, precovenda) SELECT i, N'Produto n.º ' + CONVERT(nvarchar(10), i), "
            "1 + i % 7, 1 + i % 3, 1.25 FROM (SELECT TOP (%1) ROW_NUMBER() OVER (ORDER BY (SELECT NULL)) AS i "
            "FROM sys.all_columns a CROSS JOIN sys.all_columns b) AS n")
                           .arg(rows));
        const QList<int> bad{rows / 10, rows / 2, rows - rows / 20};
        const core::DatabaseNames names{source.name(), destination.name()};
        const core::TableStep& products = core::tableSteps().at(5);

        std::printf("products step over %d products, 3 bad (codes %d, %d, %d), on %s\n", rows, bad[0], bad[1], bad[2],
                    qPrintable(settings->dataSource()));
        std::fflush(stdout);

        db::OdbcConnection cn;
        cn.setConnectionString(settings->odbc);
        cn.open();
        const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
        CountingSink sink;

        const double clean = bench::secondsOf([&] { core::runTableStep(products, names, {cn, *q, *q}, sink); });
        std::printf("(a) products step, clean source   %8.3f s\n", clean);

        for (const int code : bad)
            source.execute(QStringLiteral("UPDATE dbo.Produtos SET descricao = REPLICATE(N'x', 50) WHERE codigo = %1").arg(code));
        bool refused = false;
        const double failing = bench::secondsOf([&] {
            try {
                core::runTableStep(products, names, {cn, *q, *q}, sink);
            } catch (const std::exception&) {
                refused = true;
            }
        });
        if (!refused)
            throw std::runtime_error("the spoilt source went through");
        std::printf("(b) products step, refused        %8.3f s\n", failing);

        const double search = bench::secondsOf([&] { core::nameBadRows(products, names, {cn, *q, *q}, sink); });
        std::printf("(c) search naming the rows        %8.3f s\n", search);
        for (const QString& line : sink.named)
            std::printf("    %s\n", qPrintable(line));
        if (sink.named.size() != 3)
            throw std::runtime_error("the search did not name exactly the 3 bad rows");

        destination.execute(QStringLiteral("DELETE FROM dbo.produtos"));
        sink.named.clear();
        const double firstSearch = bench::secondsOf([&] { core::nameBadRows(products, names, {cn, *q, *q}, sink); });
        if (sink.named.size() != 3)
            throw std::runtime_error("the search into an empty table did not name exactly the 3 bad rows");
        std::printf("(d) search, empty destination     %8.3f s   ratio to (a) %.3f\n", firstSearch, firstSearch / clean);
        cn.close();
        std::printf("ratio %.3f\n", search / clean);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bad_rows_bench: %s\n", e.what());
        return 1;
    }
}
