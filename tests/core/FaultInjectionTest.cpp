#include "RunHarness.h"

#include <gtest/gtest.h>

namespace {

// Scripts a source with every table filled and three stock rows.
void scriptSource(harness::Run& run)
{
    run.sourceTables("3", true);
    run.recorder->respond("[pos].dbo.Existencias",
                          recording::makeResult({"codigo", "existencia", "descricao"},
                                                {{"1", "1.5", "a"}, {"2", "0", "b"}, {"3", "-2", "c"}}));
    run.recorder->respond("[loja].dbo.documentos WHERE", recording::singleValue("num", "7"));
}

// What must follow a failure at call k: a rollback when a transaction had
// begun and not yet committed, then the close of an open connection.
QStringList expectedAfterFailure(const QStringList& calls, int k)
{
    bool inTransaction = false;
    bool connected = false;
    for (int i = 0; i < k - 1; ++i) {
        if (calls[i] == "cn.begin")
            inTransaction = true;
        else if (calls[i] == "cn.commit")
            inTransaction = false;
        else if (calls[i] == "cn.open")
            connected = true;
    }
    const QString failing = calls[k - 1];
    QStringList after;
    if (inTransaction && failing != "cn.begin")
        after.append("cn.rollback");
    // A close that fails has still let the connection go.
    if (connected && failing != "cn.close")
        after.append("cn.close");
    return after;
}

void injectEveryFault(bool stocks)
{
    harness::Run clean;
    scriptSource(clean);
    clean.start(stocks);
    const QStringList fullRun = clean.calls();
    ASSERT_EQ(clean.sink.logLines().last(), "Conversão completa!");

    for (int k = 1; k <= fullRun.size(); ++k) {
        // A server that cannot say whether its session is encrypted leaves it unknown.
        if (harness::kEncryptionQuestions.contains(fullRun[k - 1]))
            continue;
        SCOPED_TRACE(QStringLiteral("failure at call %1: %2").arg(k).arg(fullRun[k - 1]).toStdString());
        harness::Run run;
        scriptSource(run);
        const QString injected = QStringLiteral("Falha injectada %1").arg(k);
        run.recorder->failAtCall(k, injected);
        run.start(stocks);

        const QStringList calls = run.calls();
        ASSERT_GE(calls.size(), k);
        EXPECT_EQ(calls.mid(0, k), fullRun.mid(0, k));
        // What follows may search for bad rows, in transactions that are all
        // rolled back, but never commits anything.
        const QStringList after = calls.mid(k);
        const QStringList ends = expectedAfterFailure(fullRun, k);
        ASSERT_GE(after.size(), ends.size());
        if (ends.contains("cn.rollback")) {
            EXPECT_EQ(after.first(), "cn.rollback");
        }
        EXPECT_EQ(after.mid(after.size() - 1), ends.mid(ends.size() - 1));
        EXPECT_EQ(after.count("cn.commit"), 0);
        EXPECT_EQ(after.count("cn.begin"), after.count("cn.rollback") - (ends.contains("cn.rollback") ? 1 : 0));

        const QStringList log = run.sink.logLines();
        ASSERT_GE(log.size(), 3);
        const QStringList fatal = log.filter(QStringLiteral("Excepção fatal: "));
        EXPECT_TRUE(fatal.size() == 1 && fatal[0].startsWith("Excepção fatal: " + injected)) << log.join(u'|').toStdString();
        EXPECT_EQ(log.last(), "Processo abortado!");
        EXPECT_FALSE(log.contains("Conversão completa!"));
        EXPECT_FALSE(run.cn.isOpen());

        // The same connection serves the next run as if nothing had happened
        // (its connection string is already set).
        run.recorder->clear();
        run.sink.events.clear();
        run.start(stocks);
        EXPECT_EQ(run.calls(), k == 1 ? fullRun : fullRun.mid(1));
        EXPECT_EQ(run.sink.logLines().last(), "Conversão completa!");
    }
}

TEST(FaultInjection, EveryCallOfARunWithStocksCanFailCleanly)
{
    injectEveryFault(true);
}

TEST(FaultInjection, EveryCallOfARunWithoutStocksCanFailCleanly)
{
    injectEveryFault(false);
}

}  // namespace
