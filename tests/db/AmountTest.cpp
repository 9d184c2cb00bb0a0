#include "db/Amount.h"

#include <gtest/gtest.h>
#include <limits>

using db::Amount;

namespace {

std::optional<std::int64_t> scaled(const char* text)
{
    const std::optional<Amount> a = Amount::parse(QString::fromLatin1(text));
    return a ? std::optional<std::int64_t>(a->tenThousandths) : std::nullopt;
}

}  // namespace

TEST(AmountTest, ParsesPlainAndExponentForms)
{
    EXPECT_EQ(scaled("3"), 30000);
    EXPECT_EQ(scaled("-12.5"), -125000);
    EXPECT_EQ(scaled("+0.0001"), 1);
    EXPECT_EQ(scaled(" 7.10 "), 71000);
    EXPECT_EQ(scaled(".5"), 5000);
    EXPECT_EQ(scaled("1e-3"), 10);
    EXPECT_EQ(scaled("2.5E2"), 2500000);
}

TEST(AmountTest, RoundsToNearestTenThousandthHalvesAwayFromZero)
{
    EXPECT_EQ(scaled("1.23454"), 12345);
    EXPECT_EQ(scaled("1.23455"), 12346);
    EXPECT_EQ(scaled("-1.23455"), -12346);
    EXPECT_EQ(scaled("0.00004999"), 0);
    EXPECT_EQ(scaled("0.99995"), 10000);
}

TEST(AmountTest, RefusesMalformedAndOutOfRangeText)
{
    for (const char* bad : {"", " ", "-", ".", "abc", "1.2.3", "1,5", "1e", "1e+", "12x", "1e401"})
        EXPECT_EQ(scaled(bad), std::nullopt) << bad;
    EXPECT_EQ(scaled("922337203685477.5807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(scaled("922337203685477.5808"), std::nullopt);
}

TEST(AmountTest, TextHasFourDecimalsAndRoundTrips)
{
    EXPECT_EQ(Amount::fromScaled(0).toText(), "0.0000");
    EXPECT_EQ(Amount::fromScaled(-1).toText(), "-0.0001");
    EXPECT_EQ(Amount::fromScaled(-125000).toText(), "-12.5000");
    const Amount lowest = Amount::fromScaled(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(lowest.toText(), "-922337203685477.5808");
    for (std::int64_t v : {std::int64_t(0), std::int64_t(123456789), std::int64_t(-98765)})
        EXPECT_EQ(Amount::parse(Amount::fromScaled(v).toText()), Amount::fromScaled(v));
}
