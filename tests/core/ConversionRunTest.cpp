#include "RunHarness.h"

#include <gtest/gtest.h>

namespace {

TEST(ConversionRun, AFailedLoginIsLoggedAndLeavesNothingOpen)
{
    harness::Run run;
    run.recorder->failWhen("cn.open", "", "Login failed for user 'sa'");
    run.start(true);
    EXPECT_EQ(run.sink.events, QStringList({"A ligar à base de dados...", "Excepção fatal: Login failed for user 'sa'",
                                            "Processo abortado!"}));
    EXPECT_FALSE(run.cn.isOpen());
    EXPECT_EQ(run.calls(), QStringList({"cn.setTarget: " + harness::kWorkingConnection, "cn.open"}));
}

TEST(ConversionRun, ASecondRunAfterAFailureWithAnotherSourceRunsNormally)
{
    harness::Run run;
    run.sourceTables("1", true);
    run.recorder->failWhen("q_exec.execute", "DELETE FROM [loja].dbo.empregados", "Deadlock");
    run.start(false);
    ASSERT_EQ(run.sink.logLines().last(), "Processo abortado!");
    EXPECT_EQ(run.calls().last(), "cn.close");
    EXPECT_FALSE(run.cn.isOpen());

    // The window keeps the same connection for the next run.
    run.recorder->clear();
    run.sink.events.clear();
    run.start(false, "SQLOLEDB.1;Password=x;User ID=y;Initial Catalog=pos;Data Source=other",
              "SQLOLEDB.1;Initial Catalog=loja;Data Source=other");
    EXPECT_EQ(run.calls().mid(0, 2),
              QStringList({"cn.setTarget: host=other;login=y/x;database=master", "cn.open"}));
    EXPECT_EQ(run.sink.logLines().size(), 19);
    EXPECT_EQ(run.sink.logLines().last(), "Conversão completa!");
}

TEST(ConversionRun, ProgressRunsToNineWithStocksAndEightWithout)
{
    EXPECT_EQ(core::conversionStepCount(false), 8);
    EXPECT_EQ(core::conversionStepCount(true), 9);

    harness::Run run;
    run.sourceTables("1", true);
    run.start(true);
    EXPECT_EQ(run.sink.steps(), 9);
    EXPECT_EQ(run.sink.logLines().last(), "Conversão completa!");
}

}  // namespace
