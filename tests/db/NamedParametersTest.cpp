#include "db/NamedParameters.h"

#include <gtest/gtest.h>

using db::parseNamedParameters;

TEST(NamedParametersTest, EachOccurrenceBecomesOnePositionalMarker)
{
    const auto s = parseNamedParameters(QStringLiteral(
        "INSERT INTO v (numero, doc, codigo, data) VALUES (:numero, 'IN', :codigo, :data)"));
    EXPECT_EQ(s.text, "INSERT INTO v (numero, doc, codigo, data) VALUES (?, 'IN', ?, ?)");
    EXPECT_EQ(s.names, QStringList({"numero", "codigo", "data"}));

    const auto repeated = parseNamedParameters(QStringLiteral("SELECT :a + :A"));
    EXPECT_EQ(repeated.text, "SELECT ? + ?");
    EXPECT_EQ(repeated.names, QStringList({"a", "A"}));
}

TEST(NamedParametersTest, NameEndsAtEachDelimiter)
{
    const auto s = parseNamedParameters(QStringLiteral(":a b,:c,:d;:e):f\n:g\r\n:h"));
    EXPECT_EQ(s.text, "? b,?,?;?)?\n?\r\n?");
    EXPECT_EQ(s.names, QStringList({"a", "c", "d", "e", "f", "g", "h"}));
}

TEST(NamedParametersTest, QuotedTextAndBareColonsAreLeftAlone)
{
    const auto s = parseNamedParameters(QStringLiteral("SELECT ':x', 'it''s :y', :z, 'a' + ': ', 10 : 2"));
    EXPECT_EQ(s.text, "SELECT ':x', 'it''s :y', ?, 'a' + ': ', 10 : 2");
    EXPECT_EQ(s.names, QStringList({"z"}));
}
