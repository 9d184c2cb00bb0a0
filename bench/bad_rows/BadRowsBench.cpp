// Times the search for bad rows against the SQL Server in KOVARA_TEST_ODBC:
// a products step over N products (default 200000) of which 3, spread out,
// have a description longer than the destination's column.
//   (a) the products step on the clean source, as a run makes it;
//   (b) the same step on the spoilt source, until the server refuses it;
//   (c) the search that names the 3 rows after (b), the destination holding
//       the products (a) wrote, as when a shop is converted again;
//   (d) the same search into an empty destination table, as at a first
//       conversion;
//   (e) the search over the clean products whose barcodes repeat once, and
//       (f) five times, each repeat shared by two products.
// Each search says how many tries it made and how many of them emptied the
// step's tables and wrote the products again.
// The last line printed is "ratio <(c) seconds / (a) seconds>".
//
// Usage: bad_rows_bench [--rows N]

#include "BenchSupport.h"
#include "ScratchDatabase.h"
#include "ServerSettings.h"
#include "SqlSession.h"
#include "core/common/ConversionSink.h"
#include "core/search/BadRows.h"
#include "core/search/StepTrial.h"
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

class CountingSink : public core::ConversionSink {
public:
    void addLog(const QString& line) override
    {
        if (line.startsWith(QStringLiteral("Produtos, código ")) || line.startsWith(QStringLiteral("codigosbarras, ")))
            named.append(line);
    }
    void progressStep() override {}

    QStringList named;
};

// The tries a search makes.
class CountingTrial : public core::StepTrial {
public:
    explicit CountingTrial(core::StepTrial& trial) : m_trial(trial) {}
    const std::vector<core::SourceStatement>& statements() const override { return m_trial.statements(); }
    std::optional<QString> attempt(const QStringList& conditions) override
    {
        ++tries;
        return m_trial.attempt(conditions);
    }
    int tries = 0;

private:
    core::StepTrial& m_trial;
};

// The transactions begun on a connection.
class CountingConnection final : public db::Connection {
public:
    explicit CountingConnection(db::Connection& cn) : m_cn(cn) {}
    void setTarget(const db::ConnectionTarget& target) override { m_cn.setTarget(target); }
    db::ConnectionTarget target() const override { return m_cn.target(); }
    void open() override { m_cn.open(); }
    void close() override { m_cn.close(); }
    bool isOpen() const override { return m_cn.isOpen(); }
    void beginTransaction() override
    {
        ++begun;
        m_cn.beginTransaction();
    }
    void commit() override { m_cn.commit(); }
    void rollback() override { m_cn.rollback(); }
    void setStatementTimeout(std::chrono::seconds timeout) override { m_cn.setStatementTimeout(timeout); }
    std::unique_ptr<db::Query> createQuery(const QString& name) override { return m_cn.createQuery(name); }
    int begun = 0;

private:
    db::Connection& m_cn;
};

// The search after a step failed, as a run makes it, timed, with its tries
// and the transactions (each one emptying the step's tables) they took.
double timedSearch(const core::TableStep& step, const core::DatabaseNames& names, db::Connection& cn, db::Query& q,
                   core::ConversionSink& sink)
{
    CountingConnection counted(cn);
    const core::StepSides sides{counted, q, q};
    core::SidesStepTrial trial(step, core::chosenInserts(step, names, q), names, sides);
    CountingTrial counting(trial);
    const double seconds = bench::secondsOf([&] {
        core::nameBadRows(counting, names, q, q, sink);
        trial.finish();
    });
    std::printf("    %d tries, %d of them emptying the tables\n", counting.tries, counted.begun);
    return seconds;
}

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
        cn.setTarget(db::ConnectionTarget::native(settings->odbc));
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

        const double search = timedSearch(products, names, cn, *q, sink);
        std::printf("(c) search naming the rows        %8.3f s\n", search);
        for (const QString& line : sink.named)
            std::printf("    %s\n", qPrintable(line));
        if (sink.named.size() != 3)
            throw std::runtime_error("the search did not name exactly the 3 bad rows");

        destination.execute(QStringLiteral("DELETE FROM dbo.produtos"));
        sink.named.clear();
        const double firstSearch = timedSearch(products, names, cn, *q, sink);
        if (sink.named.size() != 3)
            throw std::runtime_error("the search into an empty table did not name exactly the 3 bad rows");
        std::printf("(d) search, empty destination     %8.3f s   ratio to (a) %.3f\n", firstSearch, firstSearch / clean);

        // Clean products, one barcode each; then pairs of products that share one.
        for (const int code : bad)
            source.execute(QStringLiteral("UPDATE dbo.Produtos SET descricao = N'Produto' WHERE codigo = %1").arg(code));
        source.execute(QStringLiteral("DROP TABLE dbo.codigosbarras"));
        source.execute(QStringLiteral("CREATE TABLE dbo.codigosbarras (codbarras nvarchar(30) NOT NULL, codigo int NOT NULL)"));
        source.execute(QStringLiteral("INSERT INTO dbo.codigosbarras (codbarras, codigo) "
                                      "SELECT N'560' + CONVERT(nvarchar(10), codigo), codigo FROM dbo.Produtos"));
        int repeated = 0;
        for (const int pairs : {1, 5}) {
            for (; repeated < pairs; ++repeated) {
                const int first = rows / 7 + repeated * (rows / 6);
                source.execute(QStringLiteral("UPDATE dbo.codigosbarras SET codbarras = N'560%1' WHERE codigo = %2")
                                   .arg(first).arg(first + rows / 12));
            }
            sink.named.clear();
            const double barcodes = timedSearch(products, names, cn, *q, sink);
            std::printf("(%c) search, %d repeated barcode(s) %8.3f s   ratio to (a) %.3f\n", pairs == 1 ? 'e' : 'f',
                        pairs, barcodes, barcodes / clean);
            if (sink.named.size() != qsizetype(pairs))
                throw std::runtime_error("the search did not name every repeated barcode");
        }
        cn.close();
        std::printf("ratio %.3f\n", search / clean);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bad_rows_bench: %s\n", e.what());
        return 1;
    }
}
