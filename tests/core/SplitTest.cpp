#include "QStringPrinting.h"
#include "core/common/ArrayStrUtils.h"

#include <gtest/gtest.h>

namespace {

QStringList split(const QString& delimiter, const QString& text, int maxCount = 0)
{
    return Split(delimiter, text, maxCount);
}

TEST(Split, CutsAtEveryDelimiterKeepingEmptyPieces)
{
    EXPECT_EQ(split(";", "a;b;c"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(split(";", "a;"), QStringList({"a", ""}));
    EXPECT_EQ(split(";", ";"), QStringList({"", ""}));
    EXPECT_EQ(split(";", ";a"), QStringList({"", "a"}));
    EXPECT_EQ(split(";", "a;;b"), QStringList({"a", "", "b"}));
    EXPECT_EQ(split(";", "a;;"), QStringList({"a", "", ""}));
    EXPECT_EQ(split(";", "abc"), QStringList({"abc"}));
    EXPECT_EQ(split(";", " a ; b "), QStringList({" a ", " b "}));
}

TEST(Split, MaximumCountLeavesTheRestInTheLastPiece)
{
    EXPECT_EQ(split(";", "a;b;c", 2), QStringList({"a", "b;c"}));
    EXPECT_EQ(split(";", "a;b;c", 1), QStringList({"a;b;c"}));
    EXPECT_EQ(split(";", "a;b;", 2), QStringList({"a", "b;"}));
    EXPECT_EQ(split(";", "a;b", 5), QStringList({"a", "b"}));
}

TEST(Split, NothingFromEmptyTextOrNegativeCount)
{
    EXPECT_TRUE(split(";", "").isEmpty());
    EXPECT_TRUE(split("", "").isEmpty());
    EXPECT_TRUE(split(";", "a;b", -1).isEmpty());
    EXPECT_EQ(split("", "a;b"), QStringList({"a;b"}));
}

TEST(Split, LongDelimitersAreSkippedWhole)
{
    EXPECT_EQ(split(", ", "a, b"), QStringList({"a", "b"}));
    EXPECT_EQ(split("aa", "aaa"), QStringList({"", "a"}));
    EXPECT_EQ(split("aa", "aaaa"), QStringList({"", "", ""}));
    EXPECT_EQ(split("ab", "xaB"), QStringList({"xaB"}));  // case-sensitive
}

TEST(Split, StopsAtEmbeddedNul)
{
    const QString text = QStringLiteral("a;b") + QChar(u'\0') + QStringLiteral(";c");
    EXPECT_EQ(split(";", text), QStringList({"a", "b"}));
    EXPECT_TRUE(split(";", QString(QChar(u'\0'))).isEmpty());
}

}  // namespace
