// Text parameters reach the server whole, however long, on a single
// execution and on the parameter-array path the stock lines take.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/links/Link.h"
#include "db/OdbcConnection.h"

#include <gtest/gtest.h>

namespace {

// count UTF-16 units of accented, Greek, CJK and astral (surrogate-pair) letters.
QString longText(qsizetype count, char32_t first)
{
    const QString pattern = QStringLiteral("ção Ωμέγα 日本語 ") + QString::fromUcs4(&first, 1);
    return pattern.repeated(count / pattern.size() + 1).left(count);
}

class LongText : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
    }
    harness::ServerHarness h;
};

TEST_F(LongText, ValuesOfAnyLengthComeBackExactly)
{
    server::ScratchDatabase& db = h.destination(QStringLiteral("kovara_text_"));
    db.execute(QStringLiteral("CREATE TABLE dbo.textos (id int NOT NULL, texto nvarchar(max) NULL)"));
    const std::vector<QString> values{longText(4001, U'😀'), longText(100000, U'𝄞'), QStringLiteral("curto"),
                                      longText(4000, U'é')};

    db::OdbcConnection cn;
    cn.setTarget(core::connectionTarget(core::readLink(h.initString(db.name(), h.settings().password)), QStringLiteral("master")));
    cn.open();
    const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
    q->setSql(QStringLiteral("INSERT INTO %1 (id, texto) VALUES (:id, :texto)").arg(db.table("textos")));
    // One execution (ids 1 and 2), then all four as one batch of rows (ids 11 to 14).
    for (int i = 0; i < 2; ++i) {
        q->setInteger(QStringLiteral("id"), i + 1);
        q->setText(QStringLiteral("texto"), values[std::size_t(i)]);
        q->execute();
    }
    q->executeForRows(int(values.size()), [&](int row) {
        q->setInteger(QStringLiteral("id"), 11 + row);
        q->setText(QStringLiteral("texto"), values[std::size_t(row)]);
    });
    // Binary read as text comes in pieces of whole bytes: nothing between them.
    q->setSql(QStringLiteral("SELECT CONVERT(varbinary(max), REPLICATE(CONVERT(varchar(max), 'a'), 700))"));
    q->open();
    EXPECT_EQ(q->asText(0).toUpper(), QStringLiteral("61").repeated(700));
    cn.close();

    const server::Table stored = h.admin().query(QStringLiteral("SELECT id, texto FROM %1 ORDER BY id").arg(db.table("textos")));
    const std::vector<int> ids{1, 2, 11, 12, 13, 14};
    ASSERT_EQ(stored.rows.size(), ids.size());
    for (std::size_t r = 0; r < ids.size(); ++r) {
        const QString& expected = values[ids[r] < 10 ? std::size_t(ids[r] - 1) : std::size_t(ids[r] - 11)];
        const QString got = stored.rows[r][1].value_or(QStringLiteral("NULL"));
        EXPECT_EQ(got.size(), expected.size()) << "id " << ids[r];
        EXPECT_TRUE(got == expected) << "id " << ids[r] << ": the text came back changed";
    }
}

}  // namespace
