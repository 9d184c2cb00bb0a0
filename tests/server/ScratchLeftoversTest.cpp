// Run by ctest once before and once after every test that uses the server:
// the scratch databases the tests made must all be gone at the end. Names
// that were already there (left by an interrupted earlier run, or a user's
// own) are noted first and never touched.

#include "ServerSettings.h"
#include "SqlSession.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QString kScratchNames = QStringLiteral("SELECT name FROM sys.databases WHERE name LIKE N'kovara%' ORDER BY name");

QString baselinePath()
{
    return qEnvironmentVariable("KOVARA_SCRATCH_BASELINE", QStringLiteral("kovara-scratch-baseline.txt"));
}

class ScratchLeftovers : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto settings = server::settingsFromEnvironment();
        if (!settings)
            GTEST_SKIP() << "KOVARA_TEST_ODBC is not set";
        session = std::make_unique<server::SqlSession>(settings->odbc);
    }
    std::unique_ptr<server::SqlSession> session;
};

TEST_F(ScratchLeftovers, Before)
{
    const QStringList names = session->rows(kScratchNames);
    QFile file(baselinePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) << baselinePath().toStdString();
    file.write(names.join(u'\n').toUtf8());
    if (!names.isEmpty())
        std::fprintf(stderr, "note: databases named kovara* already on the server, left alone: %s\n",
                     qPrintable(names.join(QStringLiteral(", "))));
}

TEST_F(ScratchLeftovers, AfterEveryTestNoneIsLeftBehind)
{
    QStringList before;
    QFile file(baselinePath());
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        before = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QStringList left;
    for (const QString& name : session->rows(kScratchNames)) {
        if (!before.contains(name))
            left.append(name);
    }
    EXPECT_TRUE(left.isEmpty()) << "left behind: " << left.join(QStringLiteral(", ")).toStdString();
}

}  // namespace
