// The window on the real server and a display (Xvfb's under ctest): a dry run
// from Alt+V, a conversion from Converter, and each report as a browser renders it.

#include "AppTestSupport.h"
#include "DirtyShop.h"
#include "QStringPrinting.h"
#include "ServerHarness.h"
#include "core/steps/TableSteps.h"
#include "db/OdbcConnection.h"

#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class ReportOnServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!h.connect())
            GTEST_SKIP() << harness::kSkipReason;
        if (chromium.isEmpty())
            GTEST_SKIP() << "no chromium to render the report (scripts/install-deps.sh --tests installs it)";
        form.setMessageBoxes(std::make_unique<apptest::ScriptedBoxes>(shown, answers));
        src = &h.source({});
        dst = &h.destination();
        const auto [origem, destino] = h.writeLinkFiles(dir.path(), src->name(), dst->name());
        form.Origem->setText(origem);
        form.Destino->setText(destino);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    // The log once the run has ended; the report's page as the browser has it
    // goes into report, its picture beside the report.
    QStringList waitForEnd(QString& report)
    {
        // A mnemonic presses its button a moment later, as a click shows.
        EXPECT_TRUE(QTest::qWaitFor([] { return ActiveProcessar != nullptr; }, 5'000));
        EXPECT_TRUE(QTest::qWaitFor([] { return !ActiveProcessar; }, 300'000));
        QString path;
        const QStringList log = reportline::apart(form.Log->toPlainText().split(u'\n'), &path);
        const QStringList common{"--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + dir.filePath("chromium")};
        QProcess browser;
        browser.start(chromium, common + QStringList{"--window-size=900,1400", "--screenshot=" + path + ".png", path});
        EXPECT_TRUE(browser.waitForFinished(120'000));
        EXPECT_GT(QFileInfo(path + ".png").size(), 10'000) << "no picture of the report " << path.toStdString();
        browser.start(chromium, common + QStringList{"--dump-dom", path});
        EXPECT_TRUE(browser.waitForFinished(120'000));
        report = QString::fromUtf8(browser.readAllStandardOutput());
        return log;
    }

    QString count(const QString& table) { return h.rows("SELECT COUNT(*) FROM " + table).value(0); }

    harness::ServerHarness h;
    server::ScratchDatabase* src = nullptr;
    server::ScratchDatabase* dst = nullptr;
    QTemporaryDir dir;
    std::shared_ptr<QStringList> shown = std::make_shared<QStringList>();
    std::shared_ptr<QList<bool>> answers = std::make_shared<QList<bool>>();
    TfrmMain form{std::make_unique<db::OdbcConnection>()};
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
};

TEST_F(ReportOnServer, ADirtyShopsDryRunFromAltVNamesEveryBadRowAndChangesNothing)
{
    dirty::spoil(*src, *dst);
    const QStringList before = h.everyRow(*dst);
    *answers = {true};

    QTest::keyClick(form.windowHandle(), Qt::Key_V, Qt::AltModifier);
    QString report;
    const QStringList log = waitForEnd(report);

    EXPECT_EQ(*shown, QStringList{apptest::kAskStocks});  // nothing is emptied, so nothing to confirm
    qsizetype at = 0;
    for (const dirty::BadRow& row : dirty::badRows()) {
        while (at < log.size() && !dirty::names(row, log[at]))
            ++at;
        EXPECT_LT(at, log.size()) << "not named, or not in order: " << row.line;
    }
    EXPECT_EQ(log.last(),
              QStringLiteral("Verificação falhou em Clientes, Familias, Produtos, Fornecedores e Unidades: nada foi alterado."));
    EXPECT_EQ(h.everyRow(*dst), before);

    for (const core::TableStep& step : core::tableSteps()) {
        const QString name = step.sourceTable.section(u'.', -1);
        EXPECT_TRUE(report.contains(QStringLiteral("<td>%1</td><td class=\"n\">%2</td>").arg(name, count(src->table(name)))))
            << name.toStdString();
    }
    EXPECT_EQ(report.section(QStringLiteral("class=\"recusados\""), 1).count(QStringLiteral("<tr>")),
              qsizetype(dirty::badRows().size()) + 1);
}

TEST_F(ReportOnServer, ACleanConversionsReportHoldsWhatTheDestinationHolds)
{
    *answers = {true, true};
    form.Button1->click();
    QString report;
    EXPECT_EQ(waitForEnd(report).last(), QStringLiteral("Conversão completa!"));

    for (const core::TableStep& step : core::tableSteps()) {
        for (const QString& table : step.destinationTables)
            EXPECT_TRUE(report.contains(QStringLiteral("%1 em %2").arg(count(dst->table(table)), table))) << table.toStdString();
    }
    EXPECT_TRUE(report.contains(QStringLiteral("Documento <strong>IN 42</strong>, com <strong>4</strong> linhas")));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
