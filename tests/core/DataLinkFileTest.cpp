#include "QStringPrinting.h"
#include "core/links/DataLinkFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using core::initStringFromBytes;
using core::readInitString;

const QString kInit = QStringLiteral(
    "SQLOLEDB.1;Password=pá;Persist Security Info=True;User ID=sa;Initial Catalog=Loja Nº1;Data Source=srv");

QString udlText(const QString& init)
{
    return QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=") + init +
           QStringLiteral("\r\n");
}

QByteArray withBom(QStringEncoder::Encoding encoding, const QString& text)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

TEST(DataLinkFile, ReadsEveryEncodingAWindowsToolWrites)
{
    const QString text = udlText(kInit);
    EXPECT_EQ(initStringFromBytes(withBom(QStringEncoder::Utf16LE, text)), kInit);
    EXPECT_EQ(initStringFromBytes(withBom(QStringEncoder::Utf16BE, text)), kInit);
    EXPECT_EQ(initStringFromBytes(withBom(QStringEncoder::Utf8, text)), kInit);
    EXPECT_EQ(initStringFromBytes(text.toUtf8()), kInit);

    // Not valid UTF-8: taken as Windows-1252, where 0x80 is the euro sign.
    QByteArray legacy = QByteArray("[oledb]\nProvider=P;Password=\xE1\x80;Initial Catalog=x\n");
    EXPECT_EQ(initStringFromBytes(legacy), QStringLiteral("P;Password=á€;Initial Catalog=x"));
}

TEST(DataLinkFile, MatchesSectionAndKeyLikeTheProfileReader)
{
    EXPECT_EQ(initStringFromBytes("[OLEDB]\nPROVIDER=abc\n"), "abc");
    EXPECT_EQ(initStringFromBytes("  [ oledb ]  \n  provider   =   abc def  \n"), "abc def");
    EXPECT_EQ(initStringFromBytes("[other]\nProvider=no\n[oledb]\nx=1\nProvider=yes\n"), "yes");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider=first\nProvider=second\n"), "first");
    EXPECT_EQ(initStringFromBytes("[oledb]\n;Provider=commented\nProvider=real"), "real");
    EXPECT_EQ(initStringFromBytes("[oledb]\rProvider=old mac endings\r"), "old mac endings");
    // Only the first section of the name is searched.
    EXPECT_EQ(initStringFromBytes("[oledb]\nx=1\n[oledb]\nProvider=late\n"), "");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider\n"), "");
    EXPECT_EQ(initStringFromBytes("Provider=outside\n[oledb]\n"), "");
}

TEST(DataLinkFile, DropsOnePairOfQuotesAndTruncatesLikeA2048Buffer)
{
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider=\"a;b\"\n"), "a;b");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider='a;b'\n"), "a;b");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider=\"a;b'\n"), "\"a;b'");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider=\"\"x\"\"\n"), "\"x\"");
    EXPECT_EQ(initStringFromBytes("[oledb]\nProvider=\"\n"), "\"");

    const QString longValue(3000, u'x');
    EXPECT_EQ(initStringFromBytes(("[oledb]\nProvider=" + longValue).toUtf8()), QString(2047, u'x'));
}

TEST(DataLinkFile, NeverFailsOnMissingOrHostileFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(readInitString(dir.filePath("missing.udl")), "");
    EXPECT_EQ(readInitString(dir.path()), "");
    EXPECT_EQ(readInitString(""), "");

    QByteArray garbage(1 << 20, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    EXPECT_LE(initStringFromBytes(garbage).size(), 2047);
    EXPECT_EQ(initStringFromBytes(QByteArray("\xFF\xFE", 2)), "");
    EXPECT_EQ(initStringFromBytes(QByteArray("\xFF\xFE[\0", 4)), "");  // odd byte count

    const QString path = dir.filePath("link.udl");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(withBom(QStringEncoder::Utf16LE, udlText(kInit)));
    file.close();
    EXPECT_EQ(readInitString(path), kInit);
}

}  // namespace

namespace {

TEST(DataLinkFile, AHugeFileIsReadInBoundedTimeAndMemory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("huge.udl");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[oledb]\r\nProvider=P;Initial Catalog=loja\r\n");
    const QByteArray line(1 << 20, 'x');
    for (int i = 0; i < 100; ++i)  // 100 MB of one endless line
        file.write(line);
    file.close();

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(readInitString(path), "P;Initial Catalog=loja");
    EXPECT_LT(timer.elapsed(), 5000);
}

}  // namespace
