#include "db/OdbcApi.h"
#include "db/OdbcArrayStatus.h"
#include "db/OdbcDiagnostics.h"

#include <gtest/gtest.h>
#include <vector>

using namespace db::odbc;

TEST(OdbcDiagnosticsTest, CleanTextDropsDriverPrefixesAndTrailingJunk)
{
    EXPECT_EQ(cleanDiagnosticText("[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name 'x.dbo.t'."),
              "Invalid object name 'x.dbo.t'");
    EXPECT_EQ(cleanDiagnosticText("[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable"),
              "Unable to connect: Adaptive Server is unavailable");
    EXPECT_EQ(cleanDiagnosticText(" [unixODBC] [Driver Manager] Data source name not found . \r\n\t"),
              "Data source name not found");
    EXPECT_EQ(cleanDiagnosticText("Value 3.5 is not 3.50..."), "Value 3.5 is not 3.50");
    EXPECT_EQ(cleanDiagnosticText("[SQLite]"), "");
    EXPECT_EQ(cleanDiagnosticText("[unclosed prefix"), "[unclosed prefix");
}

TEST(OdbcDiagnosticsTest, MessageIsFirstErrorRecordOrItsState)
{
    const std::vector<Diagnostic> warningFirst = {
        {"01000", "[FreeTDS][SQL Server]Changed database context to 'master'.", 0},
        {"23000", "[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint 'pk'.", 0},
        {"01000", "[FreeTDS][SQL Server]The statement has been terminated.", 0},
    };
    EXPECT_EQ(failureMessage(warningFirst), "Violation of PRIMARY KEY constraint 'pk'");
    EXPECT_EQ(failureMessage({{"01000", "Only a warning.", 0}}), "Only a warning");
    EXPECT_EQ(failureMessage({{"08S01", "[FreeTDS][SQL Server]", 0}}), "ODBC error 08S01");
    EXPECT_EQ(failureMessage({}), "ODBC error");
}

TEST(OdbcDiagnosticsTest, FailedSetComesFromStatusThenRecordElseIsUnknown)
{
    std::vector<SQLUSMALLINT> statuses(6, SQL_PARAM_SUCCESS);
    statuses[3] = SQL_PARAM_ERROR;
    statuses[5] = SQL_PARAM_ERROR;
    EXPECT_EQ(failedParameterSet(statuses, 6), 3);

    const std::vector<SQLUSMALLINT> unfilled(6, SQL_PARAM_UNUSED);
    EXPECT_EQ(failedParameterSet(unfilled, 5), 4);
    EXPECT_EQ(failedParameterSet(unfilled, 0), std::nullopt);
    // A record row beyond the array is not believed.
    EXPECT_EQ(failedParameterSet(unfilled, 12321347), std::nullopt);
}
