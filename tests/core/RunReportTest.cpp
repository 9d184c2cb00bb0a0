#include "core/RunRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Shown final : core::ConversionSink {
    void addLog(const QString& line) override { lines.append(line); }
    void progressStep() override {}
    void reportWritten(const QString& path) override { report = path; }
    QStringList lines;
    QString report;
};

// Names, codes and the server's words come from the shop's data: none may
// become markup, and the password never reaches the page.
TEST(RunReport, EveryTextFromTheDataIsEscapedAndThePasswordHidden)
{
    QTemporaryDir dir;
    const QString hostile = QStringLiteral("<script>alert('x')</script>&copy");
    const QString password = QStringLiteral("s3<cr>&t");
    const core::RunRequest request{
        QStringLiteral("SQLOLEDB.1;Password=%1;User ID=sa;Initial Catalog=loja;Data Source=srv").arg(password),
        QStringLiteral("SQLOLEDB.1;Password=x;User ID=sa;Initial Catalog=%1;Data Source=srv").arg(hostile), true};
    Shown shown;
    {
        core::RunRecord record(dir.filePath(QStringLiteral("conversoes.log")), request, shown);
        record.serversFound({QStringLiteral("srv"), QString()});
        record.addLog(QStringLiteral("Login failed: ") + password + hostile);
        record.stepEnded({hostile, 3, {{hostile, 2}}, 1500, false});
        record.badRowNamed({hostile, hostile, hostile, hostile});
        record.stockDocument({true, 42, 4});
        record.finish(core::RunOutcome::Aborted);
    }

    ASSERT_EQ(shown.lines.last(), QStringLiteral("Relatório: ") + QDir::toNativeSeparators(shown.report));
    ASSERT_TRUE(shown.report.startsWith(dir.filePath(QStringLiteral("relatorios/"))));
    QFile file(shown.report);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(page.contains(QStringLiteral("<script"))) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("s3<cr>&t")) || page.contains(QStringLiteral("s3&lt;cr&gt;&amp;t")));
    // Escaped once per place it appears: title, database, step, its table, the bad row's four cells, the log.
    EXPECT_EQ(page.count(hostile.toHtmlEscaped()), 9) << page.toStdString();
}

}  // namespace
