// The data link editor's questions to the server: its database list and
// "Testar ligação", through the real database layer.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/LinkCheck.h"
#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

class LinkCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
    }
    core::LinkSettings login(const QString& database) const
    {
        return {h.settings().dataSource(), h.settings().user, h.settings().password, true, database};
    }
    harness::ServerHarness h;
};

TEST_F(LinkCheck, TheDatabaseListNamesEveryDatabaseTheLoginMayEnterAsItIs)
{
    const server::ScratchDatabase odd(h.admin(), QStringLiteral("kovara lista;'x_"));
    db::OdbcConnection cn;
    const QStringList names = core::listDatabases(cn, login(QString()));
    EXPECT_TRUE(names.contains(odd.name())) << names.join(u'|').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("master")));
    EXPECT_FALSE(cn.isOpen());
}

TEST_F(LinkCheck, TheConnectionTestLogsInToTheDatabaseOrGivesTheServersWords)
{
    const server::ScratchDatabase database(h.admin(), QStringLiteral("kovara_teste_"));
    db::OdbcConnection cn;
    EXPECT_NO_THROW(core::testConnection(cn, login(database.name())));
    EXPECT_FALSE(cn.isOpen());

    core::LinkSettings wrong = login(database.name());
    wrong.password += QStringLiteral("x");
    db::OdbcConnection refused;
    try {
        core::testConnection(refused, wrong);
        ADD_FAILURE() << "a wrong password logged in";
    } catch (const db::DbError& error) {
        EXPECT_TRUE(error.message().contains(h.admin().engine().loginFailed(h.settings().user)))
            << error.message().toStdString();
    }
    EXPECT_FALSE(refused.isOpen());
}

// Needs only FreeTDS: nothing listens on port 1.
TEST(LinkCheckWithoutServer, AClosedPortFailsWithinTheLoginTimeout)
{
    db::OdbcConnection cn;
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(core::testConnection(cn, {QStringLiteral("127.0.0.1,1"), QStringLiteral("sa"), QStringLiteral("pw"),
                                           true, QString()}),
                 db::DbError);
    EXPECT_LT(timer.elapsed(), 15000);
}

}  // namespace
