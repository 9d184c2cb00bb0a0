#include "db/NamedParameters.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <iostream>

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
    const auto s = parseNamedParameters(QStringLiteral("SELECT ':x', 'it''s :y', 'it'':y', :z, 'a' + ': ', 10 : 2"));
    EXPECT_EQ(s.text, "SELECT ':x', 'it''s :y', 'it'':y', ?, 'a' + ': ', 10 : 2");
    EXPECT_EQ(s.names, QStringList({"z"}));
}

TEST(NamedParametersTest, IdentifiersAndCommentsAreLeftAlone)
{
    const auto s = parseNamedParameters(QStringLiteral(
        "INSERT INTO [loja d'Ana].dbo.[a]]:b] (\"c:d\") -- :e\n/* :f /* :g */ :h */ VALUES (:numero, [x:y])"));
    EXPECT_EQ(s.text, "INSERT INTO [loja d'Ana].dbo.[a]]:b] (\"c:d\") -- :e\n/* :f /* :g */ :h */ VALUES (?, [x:y])");
    EXPECT_EQ(s.names, QStringList({"numero"}));
}

TEST(NamedParametersTest, MegabyteStatementsParseInBoundedTime)
{
    const qsizetype size = qsizetype(1) << 20;
    struct Case {
        QString sql;
        qsizetype names;
    };
    const auto filled = [&](const QString& prefix, const QString& pattern, qsizetype namesInPattern) {
        const qsizetype repeats = size / pattern.size();
        return Case{prefix + pattern.repeated(repeats), repeats * namesInPattern};
    };
    const Case cases[] = {
        filled({}, QStringLiteral(":a ':b' '' :: ,:c"), 2),
        filled({}, QStringLiteral(":x"), 1),
        filled({}, QStringLiteral(":"), 0),
        filled({}, QStringLiteral("'"), 0),
        filled(QStringLiteral("'"), QStringLiteral(":x "), 0),  // a quote never closed
        filled(QStringLiteral("["), QStringLiteral(":x ]]"), 0),  // nor a bracket
        filled({}, QStringLiteral("/*"), 0),                      // nor nested comments
        {QStringLiteral(":") + QString(size, u'n'), 1},        // one name a megabyte long
    };
    QElapsedTimer timer;
    timer.start();
    for (const Case& c : cases)
        EXPECT_EQ(parseNamedParameters(c.sql).names.size(), c.names);
    std::cout << "eight 1 MB statements parsed in " << timer.elapsed() << " ms\n";
    EXPECT_LT(timer.elapsed(), 5000);
}
