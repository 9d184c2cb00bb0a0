#include "RunHarness.h"
#include "core/run/RunRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

// Names, codes and the server's words come from the shop's data: none may
// become markup, and no password reaches the page by any way: log or facts.
TEST(RunReport, EveryTextFromTheDataIsEscapedAndThePasswordHidden)
{
    QTemporaryDir dir;
    const QString hostile = QStringLiteral("<script>alert('x')</script>&copy");
    const QString password = QStringLiteral("s3<cr>&t");
    const QString destinationPassword = QStringLiteral("d&st<n0>");  // on a server of its own
    harness::RecordingSink shown;
    {
        core::RunRecord record(dir.filePath(QStringLiteral("conversoes.log")),
                               {core::readLink("P;Password=" + password + ";User ID=sa;Initial Catalog=loja;Data Source=srv"),
                                core::readLink("P;Password=" + destinationPassword + ";Initial Catalog=" + hostile + ";Data Source=b"),
                                true},
                               shown);
        record.addLog(QStringLiteral("Login failed: ") + destinationPassword + hostile);
        record.stepEnded({hostile, 3, {{hostile, 2}}, 1500, false});
        record.badRowNamed({hostile, hostile, hostile, hostile + password});  // the server's words
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
    for (const QString& secret : {password, destinationPassword})
        EXPECT_FALSE(page.contains(secret) || page.contains(secret.toHtmlEscaped())) << page.toStdString();
    // Escaped once per place it appears: title, database, step, its table, the bad row's four cells, the log.
    EXPECT_EQ(page.count(hostile.toHtmlEscaped()), 9) << page.toStdString();
}

#ifdef Q_OS_UNIX
// No file may grow past 4 KB, as on a full disk: a page longer, yet shorter
// than the write buffer, is neither kept nor announced; the run says so once.
TEST(RunReport, OnAFullDiskNoReportIsAnnouncedAndTheFilesAreTheirOwnersOnlyWhateverTheUmask)
{
    QTemporaryDir dir;
    const QString home = dir.filePath("KovaraConverter"), reports = home + "/relatorios", log = home + "/conversoes.log";
    const mode_t umaskWas = umask(022);
    const rlimit full{4096, RLIM_INFINITY}, unlimited{RLIM_INFINITY, RLIM_INFINITY};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    harness::RecordingSink shown;
    core::RunRecord record(log, {{.database = "loja"}, {.database = "kv"}, false}, shown);
    record.badRowNamed({"Clientes", "1", {}, QString(3000, u'x')});
    record.finish(core::RunOutcome::Complete);
    setrlimit(RLIMIT_FSIZE, &unlimited);
    umask(umaskWas);
    EXPECT_EQ(shown.logLines(), QStringList{"Aviso: não foi possível escrever o relatório da execução em " + reports});
    EXPECT_EQ(QDir(reports).entryList(QDir::Files | QDir::Hidden), QStringList());
    for (const auto& [path, mode] : {std::pair{home, 0x7000}, {reports, 0x7000}, {log, 0x6000}})
        EXPECT_EQ(int(QFile::permissions(path) & 0x7077), mode) << path.toStdString();
}
#endif

}  // namespace
