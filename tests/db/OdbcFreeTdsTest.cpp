// Logins through FreeTDS, the driver this tool uses on Linux, without a
// server: a closed port, and a listener on loopback that reads the login
// packet to see what reached the wire.

#include "FakeTdsServer.h"
#include "db/DbError.h"
#include "db/OdbcConnection.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <iostream>

namespace {

QString loginString(const QString& dataSource, const QString& user, const QString& password)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=master;Data Source=%3")
        .arg(password, user, dataSource);
}

using faketds::FakeTdsServer;
using faketds::freeTdsInstalled;
using faketds::Login;

TEST(OdbcFreeTdsTest, LoginToAClosedPortFailsPromptlyWithACleanMessage)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    db::OdbcConnection cn;
    // Port 1 on loopback: nothing listens there.
    cn.setConnectionString(loginString("127.0.0.1,1", "u", "x"));
    QElapsedTimer timer;
    timer.start();
    try {
        cn.open();
        FAIL() << "connected to a closed port";
    } catch (const db::DbError& e) {
        const QString text = e.message();
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(text.contains('[')) << text.toStdString();
        EXPECT_FALSE(text.endsWith('.')) << text.toStdString();
    }
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_FALSE(cn.isOpen());
}

TEST(OdbcFreeTdsTest, ServerThatNeverAnswersIsGivenUpOnWithinTheLoginTimeout)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    FakeTdsServer server({.silent = true});
    ASSERT_NE(server.port(), 0);
    db::OdbcConnection cn;
    cn.setConnectionString(loginString(server.dataSource(), "sa", "pw"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(cn.open(), db::DbError);
    const qint64 ms = timer.elapsed();
    std::cout << "silent server given up on after " << ms << " ms\n";
    EXPECT_LT(ms, 30000);
    EXPECT_FALSE(cn.isOpen());
}

TEST(OdbcFreeTdsTest, CredentialsReachTheServerIntact)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    struct Case {
        QString oleDbPassword;  // as written in the OLE DB string
        QString password;       // as the server must see it
    };
    for (const Case& c : {Case{"a=b}c", "a=b}c"}, Case{"\"x;y=z\"", "x;y=z"}, Case{"plain", "plain"}}) {
        FakeTdsServer server;
        ASSERT_NE(server.port(), 0);
        db::OdbcConnection cn;
        cn.setConnectionString(loginString(server.dataSource(), "sa", c.oleDbPassword));
        EXPECT_THROW(cn.open(), db::DbError);
        const Login& login = server.login();
        EXPECT_EQ(login.user, "sa");
        EXPECT_EQ(login.password, c.password);
        EXPECT_EQ(login.database, "master");
    }
}

}  // namespace

TEST(OdbcFreeTdsTest, ARefusedRollbackDropsTheConnectionAndNeverTurnsAutocommitOn)
{
    if (!freeTdsInstalled())
        GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    // Answered: the session's marks table, the start of the transaction, its
    // mark, the program's own level, the question whether the server still
    // holds it (no answer), then the rollback, refused.
    FakeTdsServer server({.acknowledgeLogin = true, .requestsAnswered = 8, .failingRequest = 6});
    ASSERT_NE(server.port(), 0);
    db::OdbcConnection cn;
    cn.setConnectionString(loginString(server.dataSource(), "sa", "pw"));
    cn.open();
    cn.beginTransaction();
    // Nobody can say the work is undone; switching autocommit on would have
    // committed it on a standard driver.
    EXPECT_THROW(cn.rollback(), db::DbError);
    EXPECT_FALSE(cn.isOpen());
    const QStringList requests = server.requests();
    ASSERT_EQ(requests.size(), 6) << requests.join(u'|').toStdString();
    EXPECT_EQ(requests[4], "SELECT @@TRANCOUNT");
}
