#include "RecordingDatabase.h"
#include "app/CommandLineRun.h"
#include "app/LinkEditorCommand.h"
#include "core/Questions.h"

#include <QFile>
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

    int run(ScriptedConsole& console, bool stocks, const QString& recordPath, bool answerYes = false)
    {
        app::CommandLineOptions options;
        options.action = app::CommandLineOptions::Action::Run;
        options.sourcePath = linkFile(QStringLiteral("origem.udl"), QStringLiteral("pos"));
        options.destinationPath = linkFile(QStringLiteral("destino.udl"), QStringLiteral("loja"));
        options.stocks = stocks;
        options.answerYes = answerYes;
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
        QTest::newRow("yes to both") << true << false << QStringList{"s", " Sim "} << 2 << 0 << true;
        QTest::newRow("yes, no stocks") << true << false << QStringList{"S", ""} << 2 << 0 << false;
        QTest::newRow("--existencias answers the second") << true << true << QStringList{"sim"} << 1 << 0 << true;
        QTest::newRow("no") << true << false << QStringList{"n"} << 1 << 2 << false;
        QTest::newRow("just Enter") << true << false << QStringList{""} << 1 << 2 << false;
        QTest::newRow("end of input") << true << false << QStringList{} << 1 << 2 << false;
        QTest::newRow("not a terminal") << false << false << QStringList{"s", "s"} << 0 << 2 << false;
    }

    void theQuestionsAreAskedOnTheTerminal()
    {
        QFETCH(bool, terminal);
        QFETCH(bool, stocksOption);
        QFETCH(QStringList, typed);
        QFETCH(int, questions);
        QFETCH(int, status);
        QFETCH(bool, stocks);
        ScriptedConsole console;
        console.terminal = terminal;
        console.typed = typed;

        QCOMPARE(run(console, stocksOption, dir.filePath(QStringLiteral("conversoes.log"))), status);

        QCOMPARE(int(console.err.count(QStringLiteral(" [s/N] "))), questions);
        QCOMPARE(console.err.contains(core::kAskStocks), questions == 2);
        QCOMPARE(connected(), status == 0);
        QCOMPARE(stocksConverted(), stocks);
        if (status == 0) {
            QVERIFY(console.out.endsWith(QStringLiteral("Conversão completa!\n")));
            // The bar, on a terminal, reaches the last step.
            QVERIFY(console.err.contains(QStringLiteral("%1/%1").arg(stocks ? 9 : 8)));
        }
    }

    void theLinkEditorTakesOneFileAndNothingElse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("path");
        const QString missing = QStringLiteral("Falta o ficheiro a seguir a --ligacao.");
        QTest::newRow("a file") << QStringList{"--ligacao", "a b.udl"} << QString() << "a b.udl";
        QTest::newRow("a file after =") << QStringList{"--ligacao=a.udl"} << QString() << "a.udl";
        QTest::newRow("no file") << QStringList{"--ligacao"} << missing << QString();
        QTest::newRow("nothing after =") << QStringList{"--ligacao="} << missing << QString();
        QTest::newRow("an option for a file") << QStringList{"--ligacao", "--sim"} << missing << QString();
        QTest::newRow("twice") << QStringList{"--ligacao", "a.udl", "--ligacao=b.udl"}
                               << QStringLiteral("--ligacao foi dada mais de uma vez.") << QString();
        QTest::newRow("another option") << QStringList{"--origem", "o.udl", "--ligacao", "a.udl"}
                                        << QStringLiteral("--ligacao abre só o editor, e não se junta a outras opções "
                                                          "nem argumentos: --origem")
                                        << QString();
    }

    void theLinkEditorTakesOneFileAndNothingElse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QFETCH(QString, path);
        arguments.prepend(QStringLiteral("KovaraConverter"));
        QCOMPARE(app::linkEditorUsageError(arguments), error);
        if (error.isEmpty())
            QCOMPARE(app::linkEditorPath(arguments), path);
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
