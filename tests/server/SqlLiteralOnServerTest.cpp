// Values written as literals, many rows in one INSERT, come back as the same
// values sent as parameters do.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/links/Link.h"
#include "core/steps/CrossServerCopy.h"
#include "db/OdbcConnection.h"
#include "db/SqlLiteral.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(SqlLiteral, RowsWrittenAsLiteralsEqualTheSameRowsSentAsParameters)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& db = h.destination(QStringLiteral("kovara_literal_"));
    db.execute(QStringLiteral("CREATE TABLE dbo.valores (id int NOT NULL, i int NULL, m decimal(19,4) NULL, "
                              "dinheiro money NULL, f float NULL, t nvarchar(max) NULL, v varchar(40) NULL, "
                              "b varbinary(max) NULL, d datetime NULL, d2 datetime2(7) NULL, dia date NULL)"));
    using db::ParamValue;
    const db::Timestamp leapDay{2024, 2, 29, 23, 59, 59, 997000000};
    const db::Timestamp finer{2024, 1, 2, 3, 4, 5, 123456700};
    const std::vector<std::vector<ParamValue>> rows{
        {1, std::numeric_limits<std::int32_t>::max(), db::Amount::fromScaled(-123456), QStringLiteral("12.3456"), 0.1,
         QStringLiteral("O'Neil ção Ωμέγα 日本語 😀 :nome ' --"), QStringLiteral("a''b"), QByteArray("\x00\xff'", 3),
         leapDay, finer, db::Timestamp{1999, 12, 31}},
        {2, std::numeric_limits<std::int32_t>::min(), db::Amount::fromScaled(std::numeric_limits<std::int64_t>::max()),
         QStringLiteral("-1234.5678"), -1.7976931348623157e308, QString(), QStringLiteral("x"), QByteArray(),
         QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0, 250)), leapDay, finer},
        {3, ParamValue{}, ParamValue{}, ParamValue{}, 2.2250738585072014e-308, ParamValue{}, ParamValue{}, ParamValue{},
         QDateTime(), ParamValue{}, ParamValue{}},
    };
    const QString columns = QStringLiteral("(id, i, m, dinheiro, f, t, v, b, d, d2, dia)");

    db::OdbcConnection cn;
    cn.setTarget(core::connectionTarget(core::readLink(h.initString(db.name(), h.settings().password)), QStringLiteral("master")));
    cn.open();
    const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
    QString sql = QStringLiteral("INSERT INTO %1 %2 VALUES ").arg(db.table("valores"), columns);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        sql += r == 0 ? QStringLiteral("(") : QStringLiteral(", (");
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (c > 0)
                sql += QStringLiteral(", ");
            db::appendSqlLiteral(sql, rows[r][c]);
        }
        sql += u')';
    }
    q->setSql(sql);
    q->execute();
    q->setSql(QStringLiteral("INSERT INTO %1 %2 VALUES (:id + 100, :i, :m, :dinheiro, :f, :t, :v, :b, :d, :d2, :dia)")
                  .arg(db.table("valores"), columns));
    q->executeForRows(int(rows.size()), [&](int row) { q->setValues(rows[std::size_t(row)]); });
    cn.close();

    const auto stored = [&](const char* ids) {
        return h.rows(QStringLiteral("SELECT i, CONVERT(varchar(30), m), CONVERT(varchar(30), CONVERT(decimal(19,4), dinheiro)), "
                                     "LTRIM(RTRIM(CONVERT(varchar(40), f, 3))), t, v, DATALENGTH(b), b, "
                                     "CONVERT(varchar(30), d, 121), CONVERT(varchar(30), d2, 121), "
                                     "CONVERT(varchar(30), dia, 121) FROM %1 WHERE id %2 ORDER BY id")
                          .arg(db.table("valores"), QLatin1String(ids)));
    };
    const QStringList literals = stored("< 100");
    EXPECT_EQ(literals, stored("> 100"));
    ASSERT_EQ(literals.size(), 3);
    const auto fields = [&](int row) {
        QStringList values = literals[row].split(u'|');
        values.removeAt(7);  // the bytes, as the driver writes them
        return values;
    };
    EXPECT_EQ(fields(0), QStringList({"2147483647", "-12.3456", "12.3456", "1.0000000000000001e-01",
                                      "O'Neil ção Ωμέγα 日本語 😀 :nome ' --", "a''b", "3", "2024-02-29 23:59:59.997",
                                      fields(0).value(8), "1999-12-31"}));
    EXPECT_TRUE(fields(0).value(8).startsWith("2024-01-02 03:04:05.123")) << literals[0].toStdString();
    EXPECT_EQ(fields(1), QStringList({"-2147483648", "922337203685477.5807", "-1234.5678", "-1.7976931348623157e+308",
                                      "", "x", "0", "2026-03-04 10:00:00.250", fields(1).value(8),
                                      "2024-01-02"}));
    EXPECT_TRUE(fields(1).value(8).startsWith("2024-02-29 23:59:59.997")) << literals[1].toStdString();
    EXPECT_EQ(fields(2), QStringList({"NULL", "NULL", "NULL", "2.2250738585072014e-308", "NULL", "NULL", "NULL",
                                      "NULL", "NULL", "NULL"}));
}

// Rows read across go a thousand to a statement: a batch whose column is
// NULL throughout must still go into a date column, which refuses an int.
TEST(SqlLiteral, ACopyAcrossFillsColumnsThatABatchLeavesNull)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination(QStringLiteral("kovara_literal_"));
    src.execute(QStringLiteral("CREATE TABLE dbo.datas (id int NOT NULL, dia datetime NULL); "
                               "INSERT INTO dbo.datas (id, dia) VALUES (1, NULL), (2, NULL), (3, NULL)"));
    dst.execute(QStringLiteral("CREATE TABLE dbo.datas (id int NOT NULL, dia date NULL, fixo int NULL)"));

    const auto connect = [&](db::OdbcConnection& cn, const QString& database) {
        cn.setTarget(core::connectionTarget(core::readLink(h.initString(database, h.settings().password)), QStringLiteral("master")));
        cn.open();
    };
    db::OdbcConnection source;
    db::OdbcConnection destination;
    connect(source, src.name());
    connect(destination, dst.name());
    const std::unique_ptr<db::Query> read = source.createQuery(QStringLiteral("q_aux"));
    const std::unique_ptr<db::Query> write = destination.createQuery(QStringLiteral("q_exec"));
    const core::StepStatement copy{
        QStringLiteral("INSERT INTO @destino.dbo.datas (id, dia, fixo) (SELECT id, dia, 7 FROM @origem.dbo.datas)"),
        core::SplitStatement{QStringLiteral("@destino.dbo.datas"),
                             {QStringLiteral("id"), QStringLiteral("dia"), QStringLiteral("fixo")},
                             {QStringLiteral("id"), QStringLiteral("dia"), QStringLiteral("7")},
                             {false, false, true},
                             QStringLiteral(" FROM @origem.dbo.datas")}};
    core::runStepStatement(copy, {src.name(), dst.name()}, {destination, *write, *read, &source});
    source.close();
    destination.close();
    EXPECT_EQ(h.rows(QStringLiteral("SELECT id, dia, fixo FROM %1 ORDER BY id").arg(dst.table("datas"))),
              QStringList({"1|NULL|7", "2|NULL|7", "3|NULL|7"}));
}

}  // namespace
