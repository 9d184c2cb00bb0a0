// The ODBC layer against SQLite's ODBC driver, on a database file of its own.

#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {

using db::Amount;
using db::OdbcBatchMode;

QString messageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const db::DbError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

class OdbcSqliteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        cn.setTarget(db::ConnectionTarget::native(connectionString()));
        cn.open();
        exec = cn.createQuery(QStringLiteral("q_exec"));
        aux = cn.createQuery(QStringLiteral("q_aux"));
    }

    QString connectionString() const
    {
        return QStringLiteral("DRIVER=SQLite3;Database=") + m_dir.filePath(QStringLiteral("test.db"));
    }

    void run(const QString& sql)
    {
        exec->setSql(sql);
        exec->execute();
    }

    // Counted on a connection of its own, so only what was committed shows.
    int committedCount(const QString& table)
    {
        db::OdbcConnection other;
        other.setTarget(db::ConnectionTarget::native(connectionString()));
        other.open();
        auto q = other.createQuery(QStringLiteral("q_count"));
        q->setSql(QStringLiteral("SELECT COUNT(*) FROM ") + table);
        q->open();
        return q->asInteger(0);
    }

    QTemporaryDir m_dir;
    db::OdbcConnection cn;
    std::unique_ptr<db::Query> exec;
    std::unique_ptr<db::Query> aux;
};

TEST_F(OdbcSqliteTest, OpenFetchesRowsReadableByNameAndPosition)
{
    run("CREATE TABLE t (id INTEGER, name TEXT, price NUMERIC)");
    run("INSERT INTO t VALUES (2, 'dois', 2.5), (1, 'um', NULL), (3, NULL, NULL)");

    aux->setSql("SELECT id, name AS Nome, price FROM t ORDER BY id");
    aux->open();
    ASSERT_TRUE(aux->hasRow());
    EXPECT_EQ(aux->rowCount(), 3);
    EXPECT_EQ(aux->fieldNames(), QStringList({"id", "Nome", "price"}));
    EXPECT_EQ(aux->fieldIndex("NOME"), 1);
    EXPECT_EQ(aux->fieldIndex("missing"), -1);

    EXPECT_EQ(aux->asInteger("ID"), 1);
    EXPECT_EQ(aux->asText(1), "um");
    EXPECT_EQ(aux->asAmount("price"), Amount{});  // NULL
    aux->next();
    EXPECT_EQ(aux->asText("nome"), "dois");
    EXPECT_EQ(aux->asAmount(2), Amount::fromScaled(25000));
    aux->next();
    EXPECT_EQ(aux->asText("Nome"), "");  // NULL
    aux->next();
    EXPECT_TRUE(aux->eof());
}

TEST_F(OdbcSqliteTest, EmptyResultStillKnowsItsColumns)
{
    run("CREATE TABLE t (codigo INTEGER, referencia TEXT)");
    exec->setSql("SELECT * FROM t");
    exec->open();
    EXPECT_FALSE(exec->hasRow());
    EXPECT_TRUE(exec->eof());
    EXPECT_EQ(exec->rowCount(), 0);
    EXPECT_TRUE(exec->hasField("REFERENCIA"));
}

TEST_F(OdbcSqliteTest, EachParameterTypeRoundTrips)
{
    run("CREATE TABLE p (i INTEGER, t TEXT, a NUMERIC, d TIMESTAMP, n TEXT)");
    // Longer than one read from the driver, with characters beyond Latin-1.
    const QString text = QString::fromUtf8("Ação ñ 中文 € ").repeated(120);
    const Amount amount = *Amount::parse(u"-12345.6789");
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 14, 15, 678));
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();

    exec->setSql("INSERT INTO p (i, t, a, d, n) VALUES (:i, :t, :a, :d, :n)");
    exec->setInteger("i", lowest);
    exec->setText("T", text);
    exec->setAmount("a", amount);
    exec->setDateTime("d", when);
    exec->execute();  // :n never set goes as NULL

    aux->setSql("SELECT i, t, a, d, n IS NULL AS n_null FROM p WHERE i = :i AND t = :t");
    aux->setInteger("i", lowest);
    aux->setText("t", text);
    aux->open();
    ASSERT_TRUE(aux->hasRow());
    EXPECT_EQ(aux->asInteger("i"), lowest);
    EXPECT_EQ(aux->asText("t"), text);
    EXPECT_EQ(aux->asAmount("a"), amount);
    EXPECT_EQ(QDateTime::fromString(aux->asText("d"), "yyyy-MM-dd HH:mm:ss.zzz"), when);
    EXPECT_EQ(aux->asInteger("n_null"), 1);
}

TEST_F(OdbcSqliteTest, QuotedColonIsNotAParameter)
{
    exec->setSql("SELECT ':x' AS v, :y AS w");
    EXPECT_EQ(messageOf([&] { exec->setInteger("x", 1); }), "q_exec: Parameter 'x' not found");
    exec->setInteger("y", 7);
    exec->open();
    EXPECT_EQ(exec->asText("v"), ":x");
    EXPECT_EQ(exec->asInteger("w"), 7);
}

TEST_F(OdbcSqliteTest, FailuresCarryCleanTexts)
{
    const QString missing = messageOf([&] { run("DELETE FROM nope"); });
    EXPECT_TRUE(missing.startsWith("no such table: nope")) << missing.toStdString();
    EXPECT_FALSE(missing.endsWith('.'));

    exec->setSql("SELECT 1 AS a");
    exec->open();
    EXPECT_EQ(messageOf([&] { exec->asText("x"); }), "q_exec: Field 'x' not found");
}

TEST_F(OdbcSqliteTest, OpenRowsStayReadableWhileTheOtherQueryExecutes)
{
    run("CREATE TABLE src (k INTEGER)");
    run("CREATE TABLE dst (k INTEGER)");
    run("INSERT INTO src VALUES (1), (2), (3)");

    aux->setSql("SELECT k FROM src ORDER BY k");
    aux->open();
    exec->setSql("INSERT INTO dst VALUES (:k)");
    int seen = 0;
    for (; !aux->eof(); aux->next()) {
        exec->setInteger("k", aux->asInteger("k"));
        exec->execute();
        ++seen;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(committedCount("dst"), 3);
}

TEST_F(OdbcSqliteTest, RollbackUndoesAndCommitKeeps)
{
    run("CREATE TABLE t (k INTEGER)");
    cn.beginTransaction();
    run("INSERT INTO t VALUES (1)");
    cn.rollback();
    EXPECT_EQ(committedCount("t"), 0);

    cn.beginTransaction();
    run("INSERT INTO t VALUES (2)");
    EXPECT_EQ(committedCount("t"), 0);
    cn.commit();
    EXPECT_EQ(committedCount("t"), 1);
}

TEST_F(OdbcSqliteTest, RollbackAfterTheServerEndedTheTransactionSaysSoAndLetsTheConnectionGo)
{
    run("CREATE TABLE t (k INTEGER PRIMARY KEY)");
    run("INSERT INTO t VALUES (1)");
    cn.beginTransaction();
    run("INSERT INTO t VALUES (2)");
    // The conflict makes SQLite roll the whole transaction back by itself;
    // the rollback then fails, and this driver cannot be asked what is open.
    EXPECT_THROW(run("INSERT OR ROLLBACK INTO t VALUES (1)"), db::DbError);
    EXPECT_THROW(cn.rollback(), db::DbError);
    EXPECT_FALSE(cn.isOpen());
    EXPECT_EQ(committedCount("t"), 1);
}

TEST_F(OdbcSqliteTest, ConnectionStringAndOpenFollowTheirRules)
{
    EXPECT_NO_THROW(cn.open());
    EXPECT_NO_THROW(cn.setTarget(db::ConnectionTarget::native(connectionString())));
    EXPECT_THROW(cn.setTarget(db::ConnectionTarget::native("DRIVER=SQLite3;Database=/tmp/other.db")), db::DbError);
    EXPECT_EQ(cn.target().odbc, connectionString());

    cn.close();
    cn.close();
    EXPECT_FALSE(cn.isOpen());
    EXPECT_EQ(messageOf([&] { run("SELECT 1"); }), "q_exec: The connection is not open");
    cn.open();
    run("CREATE TABLE again (k INTEGER)");
}

class OdbcSqliteBatchTest : public OdbcSqliteTest, public ::testing::WithParamInterface<OdbcBatchMode> {
protected:
    void SetUp() override
    {
        OdbcSqliteTest::SetUp();
        cn.setBatchMode(GetParam());
    }
};

TEST_P(OdbcSqliteBatchTest, WritesEveryRowWithItsOwnValuesInOrder)
{
    run("CREATE TABLE v (seq INTEGER, descricao TEXT, qtd NUMERIC, datahora TIMESTAMP)");
    const int rows = 2 * db::Query::kBatchRows + 1;  // a last batch of one row
    const QDateTime start(QDate(2025, 1, 31), QTime(23, 59, 0));
    const auto descricao = [](int r) { return r % 7 == 0 ? QString() : QString::fromUtf8("Produto ç %1").arg(r); };
    const auto qtd = [](int r) { return Amount::fromScaled(std::int64_t(r) * 12345 - 7); };

    exec->setSql("INSERT INTO v (seq, descricao, qtd, datahora) VALUES (:seq, :descricao, :qtd, :datahora)");
    exec->executeForRows(rows, [&](int r) {
        exec->setInteger("seq", r);
        exec->setText("descricao", descricao(r));
        exec->setAmount("qtd", qtd(r));
        exec->setDateTime("datahora", start.addMSecs(qint64(r) * 1001));
    });

    aux->setSql("SELECT seq, descricao, qtd, datahora FROM v ORDER BY rowid");
    aux->open();
    ASSERT_EQ(aux->rowCount(), rows);
    for (int r = 0; r < rows; ++r, aux->next()) {
        ASSERT_EQ(aux->asInteger("seq"), r);
        ASSERT_EQ(aux->asText("descricao"), descricao(r)) << r;
        ASSERT_EQ(aux->asAmount("qtd"), qtd(r)) << r;
        ASSERT_EQ(QDateTime::fromString(aux->asText("datahora"), "yyyy-MM-dd HH:mm:ss.zzz"),
                  start.addMSecs(qint64(r) * 1001))
            << r;
    }
}

TEST_P(OdbcSqliteBatchTest, FailingRowIsNamed)
{
    run("CREATE TABLE u (k INTEGER PRIMARY KEY)");
    const int badRow = 1733;  // 0-based; repeats an earlier key
    exec->setSql("INSERT INTO u (k) VALUES (:k)");
    const QString message = messageOf([&] {
        exec->executeForRows(2500, [&](int r) { exec->setInteger("k", r == badRow ? 5 : r); });
    });
    EXPECT_TRUE(message.startsWith("UNIQUE constraint failed")) << message.toStdString();
    // SQLite's driver fills in no parameter status, so on the array path the
    // row can only be estimated there.
    if (GetParam() != OdbcBatchMode::ParameterArrays) {
        EXPECT_TRUE(message.endsWith(" (linha 1734)")) << message.toStdString();
        EXPECT_EQ(committedCount("u"), badRow);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, OdbcSqliteBatchTest,
                         ::testing::Values(OdbcBatchMode::Auto, OdbcBatchMode::RowByRow,
                                           OdbcBatchMode::ParameterArrays),
                         [](const auto& info) {
                             switch (info.param) {
                             case OdbcBatchMode::Auto: return "Auto";
                             case OdbcBatchMode::RowByRow: return "RowByRow";
                             case OdbcBatchMode::ParameterArrays: return "ParameterArrays";
                             }
                             return "Unknown";
                         });

}  // namespace
