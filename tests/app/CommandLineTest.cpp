#include "RecordingDatabase.h"
#include "app/CommandLineRun.h"
#include "core/Questions.h"
#include "core/Verification.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A terminal with the user's answers typed in advance.
struct ScriptedConsole final : app::Console {
    bool terminal = true;
    QStringList typed;
    QString out;
    QString err;

    bool inputIsTerminal() const override { return terminal; }
    bool errorIsTerminal() const override { return terminal; }
    void writeOut(const QString& text) override { out += text; }
    void writeError(const QString& text) override { err += text; }
    std::optional<QString> readLine() override
    {
        if (typed.isEmpty())
            return std::nullopt;
        return typed.takeFirst();
    }
};

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    QString linkFile(const QString& name, const QString& database)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(QStringLiteral("[oledb]\nProvider=SQLOLEDB.1;Password=segredo;User ID=sa;Initial Catalog=%1;"
                                  "Data Source=srv\n")
                       .arg(database)
                       .toUtf8());
        return file.fileName();
    }

    int run(ScriptedConsole& console, bool stocks, const QString& recordPath, bool answerYes = false,
            bool verifyOnly = false)
    {
        app::CommandLineOptions options;
        options.action = app::CommandLineOptions::Action::Run;
        options.sourcePath = linkFile(QStringLiteral("origem.udl"), QStringLiteral("pos"));
        options.destinationPath = linkFile(QStringLiteral("destino.udl"), QStringLiteral("loja"));
        options.stocks = stocks;
        options.answerYes = answerYes;
        options.verifyOnly = verifyOnly;
        recording::RecordingConnection cn(recorder);
        const auto q_exec = cn.createQuery(QStringLiteral("q_exec"));
        const auto q_aux = cn.createQuery(QStringLiteral("q_aux"));
        return app::runFromCommandLine(options, console, {cn, *q_exec, *q_aux}, recordPath);
    }

    bool connected() const { return recorder->lines().contains(QStringLiteral("cn.open")); }
    bool stocksConverted() const
    {
        return !recorder->sqlOf(QStringLiteral("q_aux.open")).filter(QStringLiteral("Existencias")).isEmpty();
    }

    QTemporaryDir dir;
    std::shared_ptr<recording::Recorder> recorder;

private slots:
    void init()
    {
        recorder = std::make_shared<recording::Recorder>();
        recorder->respond(QStringLiteral("SELECT COUNT("), recording::singleValue(QString(), QStringLiteral("3")));
    }

    void theQuestionsAreAskedOnTheTerminal_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("stocksOption");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("stocks");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QString>("loginFailure");
        QTest::newRow("yes to both")
            << true << false << QStringList{"s", " Sim "} << 2 << 0 << true << false << QString();
        QTest::newRow("yes, no stocks")
            << true << false << QStringList{"S", ""} << 2 << 0 << false << false << QString();
        QTest::newRow("--existencias answers the second")
            << true << true << QStringList{"sim"} << 1 << 0 << true << false << QString();
        QTest::newRow("no")
            << true << false << QStringList{"n"} << 1 << 2 << false << false << QString();
        QTest::newRow("just Enter")
            << true << false << QStringList{""} << 1 << 2 << false << false << QString();
        QTest::newRow("end of input")
            << true << false << QStringList{} << 1 << 2 << false << false << QString();
        QTest::newRow("not a terminal")
            << false << false << QStringList{"s", "s"} << 0 << 2 << false << false << QString();
        QTest::newRow("--verificar asks nothing")
            << true << true << QStringList{} << 0 << 0 << true << true << QString();
        QTest::newRow("a failure that shows the password")
            << true << false << QStringList{"s", "n"} << 2 << 1 << false << false
            << QStringLiteral("Login failed for user 'sa' (PWD=segredo)");
    }

    void theQuestionsAreAskedOnTheTerminal()
    {
        QFETCH(bool, terminal);
        QFETCH(bool, stocksOption);
        QFETCH(QStringList, typed);
        QFETCH(int, questions);
        QFETCH(int, status);
        QFETCH(bool, stocks);
        QFETCH(bool, verify);
        QFETCH(QString, loginFailure);
        ScriptedConsole console;
        console.terminal = terminal;
        console.typed = typed;
        QFile record(dir.filePath(QStringLiteral("conversoes.log")));
        record.remove();
        if (!loginFailure.isEmpty())
            recorder->failWhen(QStringLiteral("cn.open"), QString(), loginFailure);

        QCOMPARE(run(console, stocksOption, record.fileName(), false, verify), status);

        QCOMPARE(int(console.err.count(QStringLiteral(" [s/N] "))), questions);
        QCOMPARE(console.err.contains(core::kAskStocks), questions == 2);
        QCOMPARE(connected(), status != app::kExitRefused);
        QCOMPARE(stocksConverted(), stocks);
        if (status == 0) {
            const QString last = verify ? core::kVerificationDone : QStringLiteral("Conversão completa!");
            QVERIFY(console.out.endsWith(last + u'\n'));
            // The bar, on a terminal, reaches the last step.
            QVERIFY(console.err.contains(QStringLiteral("%1/%1").arg(stocks ? 9 : 8)));
        }
        if (verify) {
            // However the dry run is cut into transactions, each one it begins
            // is rolled back, the last one after everything else, and none is
            // committed. Today it is one, around the whole run.
            const QStringList transactions =
                recorder->lines().filter(QRegularExpression(QStringLiteral("^cn\\.(begin|commit|rollback)$")));
            QStringList beganThenRolledBack;
            for (qsizetype i = 0; i < transactions.count(QStringLiteral("cn.begin")); ++i)
                beganThenRolledBack << QStringLiteral("cn.begin") << QStringLiteral("cn.rollback");
            QCOMPARE(transactions, beganThenRolledBack);
            QCOMPARE(recorder->lines().mid(recorder->lines().size() - 2), QStringList({"cn.rollback", "cn.close"}));
            QCOMPARE(beganThenRolledBack.size(), 2);
        }
        if (status != app::kExitRefused) {
            // Whatever line carries the password, the record holds the mask instead.
            QVERIFY(record.open(QIODevice::ReadOnly));
            const QString recorded = QString::fromUtf8(record.readAll());
            QVERIFY2(!recorded.contains(QStringLiteral("segredo")), qPrintable(recorded));
            const QString masked = QString(loginFailure).replace(QStringLiteral("segredo"), QStringLiteral("********"));
            if (!loginFailure.isEmpty())
                QVERIFY2(recorded.contains(QStringLiteral(" Excepção fatal: ") + masked + u'\n'),
                         qPrintable(recorded));
        }
    }

    void aRecordThatCannotBeWrittenDoesNotStopTheRun()
    {
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        ScriptedConsole console;
        console.terminal = false;

        const QString recordPath = blocker.fileName() + QStringLiteral("/KovaraConverter/conversoes.log");
        QCOMPARE(run(console, true, recordPath, true), int(app::kExitComplete));

        QVERIFY(console.out.endsWith(QStringLiteral("Conversão completa!\n")));
        QCOMPARE(console.err, QStringLiteral("Aviso: não foi possível escrever o registo da execução em %1\n").arg(recordPath));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
