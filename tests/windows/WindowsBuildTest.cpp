// The Windows build, unpacked from its zip and run under Wine: its window on a
// virtual display, a whole conversion driven through that window, and one
// typed into cmd.exe, against the test server, from data link files as
// Windows writes them.

#include "ExpectedRows.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString output;
};

class WindowsBuild : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString zip = qEnvironmentVariable("KOVARA_WINDOWS_ZIP");
        if (zip.isEmpty())
            GTEST_SKIP() << "KOVARA_WINDOWS_ZIP is not set: it names the zip scripts/build-windows.sh makes";
        ASSERT_TRUE(folder.isValid());
        const Outcome unpacked = run(QStringLiteral("cmake"), {"-E", "tar", "xf", QFileInfo(zip).absoluteFilePath()});
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.output.toStdString();
        program = folder.filePath(QFileInfo(zip).completeBaseName());
        ASSERT_TRUE(QFileInfo(program + "/KovaraConverter.exe").isFile()) << program.toStdString();
    }

    static QProcessEnvironment wineEnvironment()
    {
        QDir().mkpath(QStringLiteral(KOVARA_WINE_PREFIX));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), QStringLiteral(KOVARA_WINE_PREFIX));
        return environment;
    }

    // The driver script, with the zip's folder and any further arguments.
    Outcome drive(const QStringList& arguments)
    {
        return run(QStringLiteral(KOVARA_WINE_DRIVER), QStringList{program} + arguments, wineEnvironment());
    }

    // A command line typed into cmd.exe in the zip's folder, with no display.
    Outcome cmd(const QString& line)
    {
        QProcessEnvironment environment = wineEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        return run(QStringLiteral("/usr/lib/wine/wine64"), {"cmd", "/c", line}, environment, program);
    }

    static QString windowsPath(QString path) { return QStringLiteral("Z:") + path.replace(u'/', u'\\'); }

    Outcome run(const QString& command, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                const QString& workingDirectory = QString())
    {
        QProcess process;
        process.setWorkingDirectory(workingDirectory.isEmpty() ? folder.path() : workingDirectory);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command, arguments);
        Outcome outcome;
        if (!process.waitForFinished(10 * 60 * 1000)) {
            process.kill();
            process.waitForFinished();
        } else if (process.exitStatus() == QProcess::NormalExit) {
            outcome.exitCode = process.exitCode();
        }
        outcome.output = QString::fromUtf8(process.readAll());
        return outcome;
    }

    QTemporaryDir folder;
    QString program;
};

TEST_F(WindowsBuild, ShowsItsWindowWithCaptionAndClientArea)
{
    const Outcome shown = drive({});
    EXPECT_EQ(shown.exitCode, 0) << shown.output.toStdString();
}

TEST_F(WindowsBuild, ConvertsAWholeDatabaseWithStocksThroughItsWindow)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    // As Windows writes them: UTF-16 LE with a byte-order mark, CRLF.
    const auto [origem, destino] = h.writeLinkFiles(folder.path(), src.name(), dst.name());

    const Outcome run = drive({origem, destino});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    h.expectConverted(dst, {});
    // One new stock document, numbered after the highest earlier one below 100000.
    EXPECT_EQ(h.rows(QStringLiteral("SELECT doc, numero FROM %1 ORDER BY doc, numero").arg(dst.table("documentos"))),
              QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|120000"}));
    EXPECT_EQ(h.rows(QStringLiteral("SELECT codigo, CONVERT(varchar(40), qtd), descricao FROM %1 "
                                    "WHERE doc = 'IN' AND numero = 42 ORDER BY codigo")
                         .arg(dst.table("vendas"))),
              expected::stockLines());
}

TEST_F(WindowsBuild, ConvertsFromCmdExeWithItsLogOnTheConsoleAndItsExitStatus)
{
    harness::ServerHarness h;
    if (!h.connect())
        GTEST_SKIP() << harness::kSkipReason;
    server::ScratchDatabase& src = h.source({});
    server::ScratchDatabase& dst = h.destination();
    const auto [origem, destino] = h.writeLinkFiles(folder.path(), src.name(), dst.name());

    const Outcome run = cmd(QStringLiteral("KovaraConverter.exe --origem %1 --destino %2 --existencias --sim")
                                .arg(windowsPath(origem), windowsPath(destino)));
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("Conversão completa!"))) << run.output.toStdString();

    EXPECT_EQ(h.tableRows(dst, "produtos", "codigo"),
              expected::produtos(*h.destinationSchema().table(QStringLiteral("produtos")), true));
    EXPECT_EQ(h.rows(QStringLiteral("SELECT doc, numero FROM %1 ORDER BY doc, numero").arg(dst.table("documentos"))),
              QStringList({"FT|900", "IN|7", "IN|41", "IN|42", "IN|120000"}));
}

}  // namespace
