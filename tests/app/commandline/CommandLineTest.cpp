#include "RecordingDatabase.h"
#include "app/commandline/CommandLineRun.h"
#include "core/links/LinkFiles.h"
#include "core/run/Questions.h"
#include "core/run/Verification.h"

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

    QString file(const QString& name, const QString& text)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text.toUtf8());
        return file.fileName();
    }
    static QString linkText(const QString& database)
    {
        return QStringLiteral("[oledb]\nProvider=SQLOLEDB.1;Password=segredo;User ID=sa;Initial Catalog=%1;"
                              "Data Source=srv\n").arg(database);
    }

    int run(ScriptedConsole& console, bool stocks, const QString& recordPath, bool answerYes = false,
            bool verifyOnly = false, const QString& sourceText = linkText(QStringLiteral("pos")),
            const QString& destinationText = linkText(QStringLiteral("loja")))
    {
        app::CommandLineOptions options;
        options.action = app::CommandLineOptions::Action::Run;
        options.sourcePath = sourceText == u"<pasta>" ? dir.path() : file(QStringLiteral("origem.udl"), sourceText);
        options.destinationPath = file(QStringLiteral("destino.udl"), destinationText);
        if (destinationText.isEmpty())
            QFile::remove(options.destinationPath);
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
            QVERIFY(console.out.contains(last + QStringLiteral("\nRelatório: ")));
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

    void theTerminalShowsTheStockLinesAsTheyAreWritten()
    {
        std::vector<db::ResultSet::Row> stock(2500, {QStringLiteral("7"), QStringLiteral("1.5"), QStringLiteral("x")});
        recorder->respond(QStringLiteral("Existencias"),
                          recording::makeResult({QStringLiteral("codigo"), QStringLiteral("existencia"),
                                                 QStringLiteral("descricao")}, stock));
        ScriptedConsole console;

        QCOMPARE(run(console, true, dir.filePath(QStringLiteral("conversoes.log")), true), int(app::kExitComplete));

        for (const int done : {1000, 2000, 2500})
            QVERIFY(console.err.contains(QStringLiteral("8/9 vendas: %1 de 2500 linhas").arg(done)));
    }

    void aFileThatCannotBeUsedIsRefusedBeforeConnecting_data()
    {
        QTest::addColumn<QString>("source");       // "<pasta>": the folder itself
        QTest::addColumn<QString>("destination");  // empty: no file at all
        QTest::addColumn<QString>("windowText");  // empty: the window takes the files, and asks
        QTest::addColumn<QString>("said");  // DIR: the folder the files are in
        const QString pos = linkText(QStringLiteral("pos")), loja = linkText(QStringLiteral("loja"));
        const QString invalid = QStringLiteral("Ficheiro de ligação à base de dados de %1 inválido (%2): DIR/%1.udl");
        const QString noCatalog = QStringLiteral("falta \"Initial Catalog\", a base de dados");
        QTest::newRow("no database") << QStringLiteral("[oledb]\nProvider=P;Data Source=srv") << loja
                                     << core::kInvalidLink << invalid.arg("origem", noCatalog);
        QTest::newRow("blank database") << pos << QStringLiteral("[oledb]\nProvider=P;Initial Catalog= ;Data Source=s")
                                        << core::kInvalidLink << invalid.arg("destino", noCatalog);
        QTest::newRow("no server") << pos << QStringLiteral("[oledb]\nProvider=P;Initial Catalog=loja") << core::kInvalidLink
                                   << invalid.arg("destino", "falta \"Data Source\", o servidor");
        QTest::newRow("a folder") << QStringLiteral("<pasta>") << loja << core::kMissingSourceLink
                                  << QStringLiteral("O ficheiro de ligação à base de dados de origem é uma pasta: DIR");
        QTest::newRow("missing") << pos << QString() << core::kMissingDestinationLink
                                 << QStringLiteral("O ficheiro de ligação à base de dados de destino não existe: DIR/destino.udl");
        const QString unread = QStringLiteral("Ficheiro de ligação à base de dados de origem inválido (o item «Use Encryption "
                                              "for Data» vale «Talvez», que não se entende): DIR/origem.udl");
        QTest::newRow("a value not understood")
            << QStringLiteral("[oledb]\nProvider=P;User ID=sa;Use Encryption for Data=Talvez;Initial Catalog=pos;Data Source=s")
            << loja << unread << unread;
        const QString nobody = QStringLiteral("O ficheiro de ligação à base de dados de destino não diz com que utilizador "
                                              "entrar: falta \"User ID\", ou \"Integrated Security=SSPI\" para a "
                                              "autenticação do Windows: DIR/destino.udl");
        QTest::newRow("no login") << pos << QStringLiteral("[oledb]\nProvider=P;Initial Catalog=loja;Data Source=srv")
                                  << nobody << nobody;
        // Its data source may hold the password; the file names a user and keeps none.
        QTest::newRow("an ODBC data source's user without a password, with --sim")
            << QStringLiteral("[oledb]\nProvider=MSDASQL.1;User ID=caixa;Initial Catalog=pos;Data Source=Loja") << loja
            << QString()
            << QStringLiteral("O ficheiro de ligação à base de dados de origem não guarda a palavra-passe: DIR/origem.udl\n"
                              "A palavra-passe só pode ser escrita num terminal e sem --sim; ou guarde-a no ficheiro de "
                              "ligação.");
    }

    void aFileThatCannotBeUsedIsRefusedBeforeConnecting()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(QString, windowText);
        QFETCH(QString, said);
        ScriptedConsole console;
        const QString record = dir.filePath(QStringLiteral("recusas.log"));

        QCOMPARE(run(console, false, record, true, false, source, destination), int(app::kExitRefused));
        QCOMPARE(console.err.replace(dir.path(), QStringLiteral("DIR")), said + u'\n');
        QVERIFY(!connected() && !QFile::exists(record));
        // The window, through the same checks, keeps its own text.
        QCOMPARE(core::readLinkFiles(source == u"<pasta>" ? dir.path() : dir.filePath(QStringLiteral("origem.udl")),
                                     dir.filePath(QStringLiteral("destino.udl")))
                     .refusal.replace(dir.path(), QStringLiteral("DIR")),
                 windowText);
    }

    void anOptionWithoutItsFileIsNamed()
    {
        for (const auto& [arguments, option] : {std::pair{QStringList{"--origem", "--destino", "d.udl"}, "--origem"},
                                                std::pair{QStringList{"--origem", "s", "--destino", "--sim"}, "--destino"}})
            QCOMPARE(app::parseCommandLine(QStringList{"KovaraConverter"} + arguments).error,
                     QStringLiteral("Falta o ficheiro a seguir a %1.").arg(option));
    }

    void aRecordThatCannotBeWrittenDoesNotStopTheRun()
    {
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        ScriptedConsole console;
        console.terminal = false;

        const QString recordPath = blocker.fileName() + QStringLiteral("/KovaraConverter/conversoes.log");
        QCOMPARE(run(console, true, recordPath, true), int(app::kExitComplete));

        QVERIFY(console.out.contains(QStringLiteral("Conversão completa!\n")));
        QCOMPARE(console.err, QStringLiteral("Aviso: não foi possível escrever o registo da execução em %1\n").arg(recordPath));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
