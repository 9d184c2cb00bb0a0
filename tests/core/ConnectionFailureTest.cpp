// Whole runs through FreeTDS that lose the server: nothing listening, a
// server that hangs up on the login, one that hangs up after accepting it.
// The log says what happened, promptly, and never shows the password.

#include "FakeTdsServer.h"
#include "RunHarness.h"
#include "db/OdbcConnection.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

const QString kPassword = QStringLiteral("Segr3do-Unico-42");

QString sourceInit(const QString& dataSource)
{
    return QStringLiteral("SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=sa;Initial Catalog=pos;"
                          "Data Source=%2")
        .arg(kPassword, dataSource);
}

// The forms a password takes on its way to the wire: as typed, in UTF-8 and
// UTF-16 bytes shown as hex, UTF-16 read as 8-bit text, and scrambled as a
// login packet carries it, shown as hex.
QStringList passwordForms()
{
    QByteArray utf16(reinterpret_cast<const char*>(kPassword.utf16()), kPassword.size() * 2);
    QByteArray scrambled = utf16;
    for (char& c : scrambled) {
        const auto b = static_cast<unsigned char>(c);
        c = char(((b << 4) | (b >> 4)) ^ 0xA5);
    }
    return {kPassword,
            QString::fromLatin1(kPassword.toUtf8().toHex()),
            QString::fromLatin1(utf16.toHex()),
            QString::fromLatin1(utf16),
            QString::fromLatin1(scrambled.toHex())};
}

struct Outcome {
    QStringList log;
    int steps = 0;
    bool leftOpen = false;
    qint64 ms = 0;
};

Outcome runAgainst(const QString& dataSource, std::optional<std::chrono::seconds> statementTimeout = std::nullopt)
{
    db::OdbcConnection cn;
    if (statementTimeout)
        cn.setStatementTimeout(*statementTimeout);
    auto q_exec = cn.createQuery(QStringLiteral("q_exec"));
    auto q_aux = cn.createQuery(QStringLiteral("q_aux"));
    harness::RecordingSink sink;
    QElapsedTimer timer;
    timer.start();
    core::runConversion({cn, *q_exec, *q_aux}, core::readLink(sourceInit(dataSource)),
                        core::readLink(QString(harness::kDestinationInit).replace("Data Source=srv", "Data Source=" + dataSource)),
                        true, sink);
    return {sink.logLines(), sink.steps(), cn.isOpen(), timer.elapsed()};
}

// Logged in, the run says what the server told of its encryption first.
void expectFatalLogWithoutPassword(const Outcome& run, bool loggedIn = false)
{
    const qsizetype fatal = loggedIn ? 2 : 1;
    ASSERT_EQ(run.log.size(), fatal + 2) << run.log.join(u'|').toStdString();
    EXPECT_EQ(run.log[0], "A ligar à base de dados...");
    if (loggedIn) {
        EXPECT_TRUE(run.log[1].startsWith("Ligação cifrada a 127.0.0.1,")) << run.log[1].toStdString();
    }
    EXPECT_TRUE(run.log[fatal].startsWith("Excepção fatal: ")) << run.log[fatal].toStdString();
    EXPECT_GT(run.log[fatal].size(), QStringLiteral("Excepção fatal: ").size());
    EXPECT_EQ(run.log[fatal + 1], "Processo abortado!");
    for (const QString& line : run.log) {
        for (const QString& form : passwordForms())
            EXPECT_FALSE(line.contains(form, Qt::CaseInsensitive)) << line.toStdString();
    }
    EXPECT_EQ(run.steps, 0);
    EXPECT_FALSE(run.leftOpen);
    EXPECT_LT(run.ms, 30000);
}

class ConnectionFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!faketds::freeTdsInstalled())
            GTEST_SKIP() << "FreeTDS is not the SQL Server driver here";
    }
};

TEST_F(ConnectionFailureTest, LoginThatNeverCompletesIsLoggedPromptlyWithoutThePassword)
{
    // Port 1 on loopback: nothing listens there.
    const Outcome closed = runAgainst(QStringLiteral("127.0.0.1,1"));
    expectFatalLogWithoutPassword(closed);

    faketds::FakeTdsServer server;
    ASSERT_NE(server.port(), 0);
    const Outcome cut = runAgainst(server.dataSource());
    expectFatalLogWithoutPassword(cut);
    EXPECT_EQ(server.login().password, kPassword);  // it did go out, to the server only

    std::cout << "closed port: " << closed.ms << " ms, " << closed.log.value(1).toStdString() << "\n"
              << "cut after the login packet: " << cut.ms << " ms, " << cut.log.value(1).toStdString() << "\n";
}

TEST_F(ConnectionFailureTest, ServerLostAfterAcceptingTheLoginIsLoggedPromptlyWithoutThePassword)
{
    // It answers the two questions about the session's encryption, the
    // same-database check, the catalog of the stock lines' table, the
    // session's marks table, the start of the first step's transaction, its
    // mark, the program's own level and its DELETE, then hangs up on the count query.
    faketds::FakeTdsServer server({.acknowledgeLogin = true, .requestsAnswered = 9});
    ASSERT_NE(server.port(), 0);
    const Outcome cut = runAgainst(server.dataSource());
    expectFatalLogWithoutPassword(cut, true);
    const QStringList requests = server.requests();
    ASSERT_EQ(requests.size(), 10) << requests.join(u'|').toStdString();
    EXPECT_EQ(requests[7], "BEGIN TRANSACTION; SELECT @@TRANCOUNT");
    // Written inside the step's transaction: only at the level the program opened, asked again after it.
    EXPECT_EQ(requests[8], "IF @@TRANCOUNT = 2 BEGIN DELETE FROM [loja].dbo.clientes; IF @@TRANCOUNT <> 2 RAISERROR(N'A transacção não "
                           "está no nível em que o programa a abriu', 16, 1) END ELSE RAISERROR(N'A transacção já terminou', 16, 1)");
    std::cout << "cut after accepting the login: " << cut.ms << " ms, " << cut.log.value(1).toStdString() << "\n";
}

TEST_F(ConnectionFailureTest, ServerThatStopsAnsweringIsGivenUpOnAfterTheStatementTimeout)
{
    // It answers the two encryption questions, the same-database check, the
    // catalog of the stock lines' table, the session's marks table, the start
    // of the first step's transaction, its mark, the program's own level, its
    // DELETE and (as an empty result) its count, then answers nothing more,
    // its connection still open: a frozen server. Silent on the count, the
    // driver gives up on the statement, then on its cancel; silent on the
    // commit that follows an empty count, on the commit.
    for (const int answered : {9, 10}) {
        SCOPED_TRACE(answered);
        faketds::FakeTdsServer server({.acknowledgeLogin = true, .requestsAnswered = answered, .thenSilent = true});
        ASSERT_NE(server.port(), 0);
        const Outcome frozen = runAgainst(server.dataSource(), std::chrono::seconds(2));
        expectFatalLogWithoutPassword(frozen, true);
        EXPECT_GE(frozen.ms, 2000);
        std::cout << "silent after " << answered << " answers, 2 s timeout: " << frozen.ms << " ms, "
                  << frozen.log.value(1).toStdString() << "\n";
    }
}

}  // namespace
