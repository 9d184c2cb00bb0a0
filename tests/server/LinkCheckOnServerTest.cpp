// The data link editor's questions to the server: its database list and
// "Testar ligação", through the real database layer.

#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/links/LinkCheck.h"
#include "core/links/LinkSettings.h"
#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LinkCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
    }
    core::Link login(const QString& database) const
    {
        return {.server = h.settings().dataSource(), .user = h.settings().user, .password = h.settings().password,
                .database = database};
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

// No scratch database here: a session that has just been in one may still be
// ending on the server when the database is dropped.
TEST_F(LinkCheck, TheConnectionTestLogsInToTheDatabaseOrGivesTheServersWords)
{
    db::OdbcConnection cn;
    EXPECT_NO_THROW(core::testConnection(cn, login(QStringLiteral("msdb"))));
    EXPECT_FALSE(cn.isOpen());
    EXPECT_THROW(core::testConnection(cn, login(QStringLiteral("kovara_nenhuma_base"))), db::DbError);

    core::Link wrong = login(QString());
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

TEST_F(LinkCheck, AConversionRunsFromFilesTheEditorSaved)
{
    const server::ScratchDatabase& src = h.source(server::SourceVariant{});
    const server::ScratchDatabase& dst = h.destination();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString origem = folder.filePath(QStringLiteral("origem.udl"));
    const QString destino = folder.filePath(QStringLiteral("destino.udl"));
    {
        // Written by hand in UTF-8, with another login and items of its own; put right in the editor.
        QFile file(origem);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[oledb]\nProvider=SQLNCLI11;Auto Translate=False;User ID=ninguém;Data Source=longe;Packet Size=4096\n");
    }
    QString error;
    ASSERT_TRUE(core::saveDataLink(origem, core::loadDataLink(origem), login(src.name()), &error)) << error.toStdString();
    ASSERT_TRUE(core::saveDataLink(destino, core::loadDataLink(destino), login(dst.name()), &error)) << error.toStdString();

    const QStringList events =
        h.runFromFiles(origem, destino, false, harness::steppingClock(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))));
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.last(), QStringLiteral("Conversão completa!")) << events.join(u'|').toStdString();
}

// Needs only FreeTDS: nothing listens on port 1.
TEST(LinkCheckWithoutServer, AClosedPortFailsWithinTheLoginTimeout)
{
    db::OdbcConnection cn;
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(core::testConnection(cn, {.server = "127.0.0.1,1", .user = "sa", .password = "pw"}), db::DbError);
    EXPECT_LT(timer.elapsed(), 15000);
}

}  // namespace
