#include "AppTestSupport.h"
#include "app/window/Processar.h"
#include "core/run/Conversion.h"
#include "core/run/RunRecord.h"

#include <QProgressBar>
#include <QPushButton>
#include <atomic>

using namespace apptest;

namespace {

// The log as it grows, and at every move of the bar how many lines were there.
struct Timeline : core::ConversionSink {
    void addLog(const QString& line) override { lines.append(line); }
    void progressStep() override { moves.append(move(int(lines.size()), int(moves.size()) + 1)); }
    static QString move(int lineCount, int value) { return QStringLiteral("%1 linhas: %2").arg(lineCount).arg(value); }
    QStringList lines;
    QStringList moves;
};

}  // namespace

class ProcessarTest : public QObject {
    Q_OBJECT

private slots:
    // Lines and steps cross from the worker's thread; the window must show
    // them exactly as the run reported them, in the same order.
    void aSuccessfulRunReachesTheWindowAsReported_data()
    {
        QTest::addColumn<bool>("stocks");
        QTest::newRow("without stocks") << false;
        QTest::newRow("with stocks") << true;
    }

    void aSuccessfulRunReachesTheWindowAsReported()
    {
        QFETCH(bool, stocks);
        Window window;
        QStringList moves;
        connect(window.form.Progress, &QProgressBar::valueChanged, this,
                [&](int value) { moves.append(Timeline::move(int(window.log().size()), value)); });
        window.start(stocks);
        QVERIFY(runEnded());

        Window twin;
        Timeline reported;
        core::runConversion({*twin.form.cn, *twin.form.q_exec, *twin.form.q_aux},
                            core::readLink(sourceInit(QStringLiteral("pos"))),
                            core::readLink(destinationInit(QStringLiteral("loja"))), stocks, reported);
        reported.moves.append(Timeline::move(int(reported.lines.size()), 0));

        QCOMPARE(window.log(), reported.lines);
        QCOMPARE(window.log().first(), QStringLiteral("A ligar à base de dados..."));
        QCOMPARE(window.log().last(), QStringLiteral("Conversão completa!"));
        QCOMPARE(moves, reported.moves);
        // The window's run also counts each step's destination tables, for its report.
        QStringList calls = window.recorder->lines();
        calls.removeIf([](const QString& call) { return call.contains(QStringLiteral("SELECT COUNT(*) FROM")); });
        QCOMPARE(calls, twin.recorder->lines());
    }

    void aFailedLoginIsLoggedAndTheWindowIsIdleAgain()
    {
        Window window;
        window.recorder->failWhen(QStringLiteral("cn.open"), QString(), QStringLiteral("Login failed for user 'sa'"));
        window.start(true);
        QVERIFY(runEnded());
        QCOMPARE(window.log(), QStringList({QStringLiteral("A ligar à base de dados..."),
                                            QStringLiteral("Excepção fatal: Login failed for user 'sa'"),
                                            QStringLiteral("Processo abortado!")}));
        QCOMPARE(window.form.Progress->value(), 0);
        QCOMPARE(window.form.Button1->text(), QStringLiteral("Converter"));
    }

    // A connection left open by a failure made the next run, with another
    // source, end without a word.
    void aRunAfterAFailureWithAnotherSourceLogsNormally()
    {
        Window window;
        auto failed = std::make_shared<std::atomic<bool>>(false);
        window.recorder->beforeCall = [failed](const recording::Call& call) {
            if (call.what == QStringLiteral("q_exec.execute") && !failed->exchange(true))
                throw db::DbError(QStringLiteral("Deadlock"));
        };
        window.start(false);
        QVERIFY(runEnded());
        QCOMPARE(window.log().mid(window.log().size() - 3),
                 QStringList({"Excepção fatal: Deadlock", "Clientes: o destino recusa apagar os registos: Deadlock",
                              "Processo abortado!"}));
        QVERIFY(!window.form.cn->isOpen());

        window.recorder->clear();
        window.start(false, QStringLiteral("outro"));
        QVERIFY(runEnded());
        QCOMPARE(window.log().first(), QStringLiteral("A ligar à base de dados..."));
        QCOMPARE(window.log().last(), QStringLiteral("Conversão completa!"));
        QVERIFY(window.log().filter(QStringLiteral("Excepção")).isEmpty());
        QCOMPARE(window.recorder->lines().first(), QStringLiteral("cn.setTarget: host=outro;login=sa/pw;database=master"));
    }

    void aRunFromTheWindowIsRecorded()
    {
        QFile record(core::defaultRecordPath());
        record.remove();
        Window window;
        window.start(true);
        QVERIFY(runEnded());

        QVERIFY(record.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(record.readAll());
        const QString tag = text.left(7);  // on every line: runs at the same time can be told apart
        QCOMPARE(text.count(u'\n' + tag), text.count(u'\n') - 1);
        QVERIFY(text.contains(QStringLiteral("Origem: pos\n%1Destino: loja\n%1Existências: sim\n").arg(tag)));
        // Once the run has found that both are on one server.
        QVERIFY(text.contains(QStringLiteral("\n%1Servidor: srv\n").arg(tag)));
        for (const QString& line : window.log())
            QVERIFY2(text.contains(u' ' + line + u'\n'), qPrintable(line));
        QVERIFY(text.contains(QStringLiteral("Resultado: conversão completa\n")));
    }
};

QTEST_MAIN(ProcessarTest)
#include "ProcessarTest.moc"
