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

// A login on master at "host,port".
db::ConnectionTarget loginString(const QString& dataSource, const QString& user, const QString& password)
{
    db::ConnectionTarget target;
    target.host = dataSource.section(u',', 0, 0);
    target.port = dataSource.section(u',', 1);
    target.user = user;
    target.password = password;
    target.database = QStringLiteral("master");
    return target;
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
    cn.setTarget(loginString("127.0.0.1,1", "u", "x"));
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
    cn.setTarget(loginString(server.dataSource(), "sa", "pw"));
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
    for (const QString password : {"a=b}c", "x;y=z", "plain", " {blanks} "}) {
        FakeTdsServer server;
        ASSERT_NE(server.port(), 0);
        db::OdbcConnection cn;
        cn.setTarget(loginString(server.dataSource(), "sa", password));
        EXPECT_THROW(cn.open(), db::DbError);
        const Login& login = server.login();
        EXPECT_EQ(login.user, "sa");
        EXPECT_EQ(login.password, password);
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
    cn.setTarget(loginString(server.dataSource(), "sa", "pw"));
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
