#include "RunHarness.h"
#include "core/run/RunRecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Names, codes and the server's words come from the shop's data: none may
// become markup, and the password never reaches the page.
TEST(RunReport, EveryTextFromTheDataIsEscapedAndThePasswordHidden)
{
    QTemporaryDir dir;
    const QString hostile = QStringLiteral("<script>alert('x')</script>&copy");
    const QString password = QStringLiteral("s3<cr>&t");
    harness::RecordingSink shown;
    {
        core::RunRecord record(dir.filePath(QStringLiteral("conversoes.log")),
                               {core::readLink("SQLOLEDB.1;Password=" + password + ";User ID=sa;Initial Catalog=loja;Data Source=srv"),
                                core::readLink("SQLOLEDB.1;Password=x;User ID=sa;Initial Catalog=" + hostile + ";Data Source=srv"), true},
                               shown);
        record.addLog(QStringLiteral("Login failed: ") + password + hostile);
        record.stepEnded({hostile, 3, {{hostile, 2}}, 1500, false});
        record.badRowNamed({hostile, hostile, hostile, hostile});
        record.finish(core::RunOutcome::Aborted);
    }

    const QString prefix = QStringLiteral("Relatório: ") + dir.filePath(QStringLiteral("relatorios/"));
    const QString line = shown.logLines().last();
    ASSERT_TRUE(line.startsWith(prefix)) << line.toStdString();
    QFile record(dir.filePath(QStringLiteral("conversoes.log")));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(record.readAll()).contains(u' ' + line + u'\n'));  // the record names it
    QFile file(line.mid(QStringLiteral("Relatório: ").size()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(page.contains(QStringLiteral("<script"))) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("s3<cr>&t")) || page.contains(QStringLiteral("s3&lt;cr&gt;&amp;t")));
    // Escaped once per place it appears: title, database, step, its table, the bad row's four cells, the log.
    EXPECT_EQ(page.count(hostile.toHtmlEscaped()), 9) << page.toStdString();
}

}  // namespace
