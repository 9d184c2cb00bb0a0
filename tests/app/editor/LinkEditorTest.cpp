// The data link editor's fields and buttons, on the recording database, with
// its files on disk.
#include "AppTestSupport.h"
#include "FakeTdsServer.h"
#include "app/editor/LinkEditor.h"
#include "app/editor/LinkEditorCommand.h"
#include "app/editor/LinkProbe.h"
#include "core/links/DataLinkFile.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace apptest;

namespace {

const QString kInit = QStringLiteral(
    "SQLNCLI11;Password=pw;Persist Security Info=True;User ID=sa;Initial Catalog=loja;Workstation ID=CAIXA;"
    "Data Source=srv\\SQLEXPRESS");

// Given an init string, a ".udl" holds it; any other file holds the text as it is.
struct Editor {
    explicit Editor(const QString& name = QStringLiteral("ligacao.udl"), const QString& init = kInit)
        : path(init.isEmpty()            ? window.dir.filePath(name)
               : name.endsWith(".udl") ? window.link(name, init)
                                         : window.linkFile(name, init)),
          dialog(path, nullptr, [recorder = window.recorder] {
              return std::make_unique<recording::RecordingConnection>(recorder);
          })
    {
        dialog.setMessageBoxes(std::make_unique<ScriptedBoxes>(window.shown, window.answers));
    }
    QByteArray bytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    Window window;  // its folder, recorder and scripted boxes
    QString path;
    app::LinkEditor dialog;
};

bool answered(const app::LinkEditor& dialog)
{
    return QTest::qWaitFor([&] { return !dialog.isAsking(); }, 20000);
}

// Whether every question a closed dialog left behind has ended, and gone.
bool probesEnded(int timeoutMs)
{
    return QTest::qWaitFor([] { return qApp->findChildren<app::LinkProbe*>().isEmpty(); }, timeoutMs);
}

}  // namespace

class LinkEditorTest : public QObject {
    Q_OBJECT

private slots:
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

    void fieldsShowTheFileAndOkWritesItBackWithItsOtherItems()
    {
        Editor editor;
        app::LinkEditor& d = editor.dialog;
        QCOMPARE(d.server->text(), QStringLiteral("srv\\SQLEXPRESS"));
        QVERIFY(d.serverHint->text().contains(QStringLiteral("host, host\\instância, host,porta")));
        QCOMPARE(d.user->text(), QStringLiteral("sa"));
        QCOMPARE(d.password->text(), QStringLiteral("pw"));
        QCOMPARE(d.password->echoMode(), QLineEdit::Password);
        QVERIFY(d.persistPassword->isChecked());
        QCOMPARE(d.database->currentText(), QStringLiteral("loja"));

        d.password->setText(QStringLiteral("nova"));
        d.database->setEditText(QStringLiteral("Loja 2"));
        d.okButton->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(core::readInitString(editor.path),
                 QStringLiteral("SQLNCLI11;Password=nova;Persist Security Info=True;User ID=sa;Initial Catalog=Loja 2;"
                                "Workstation ID=CAIXA;Data Source=srv\\SQLEXPRESS"));
        QCOMPARE(editor.bytes().left(2), QByteArray("\xFF\xFE"));
    }

    // A Strict file stays Strict; the test asks for what OK writes.
    void theEncryptionChoicesGoToTheTestAndToTheFile()
    {
        const QString init = QStringLiteral("MSOLEDBSQL.1;Use Encryption for Data=Strict;Password=pw;User ID=sa;Data Source=srv");
        Editor editor(QStringLiteral("cifrada.udl"), init);
        QVERIFY(editor.dialog.encrypt->isChecked() && !editor.dialog.trustCertificate->isChecked());
        editor.dialog.trustCertificate->setChecked(true);
        editor.dialog.testButton->click();
        QVERIFY(answered(editor.dialog));
        QCOMPARE(editor.window.recorder->sqlOf(QStringLiteral("cn.setTarget")),
                 QStringList{QStringLiteral("host=srv;login=sa/pw;database=master;encryption=strict;trust=yes")});
        editor.dialog.okButton->click();
        QCOMPARE(core::readInitString(editor.path), init + ";Persist Security Info=True;Trust Server Certificate=True");
    }

    void cancelarAndRefusedValuesLeaveTheFileAsItWas()
    {
        Editor editor;
        const QByteArray before = editor.bytes();
        editor.dialog.show();
        editor.dialog.password->setText(QStringLiteral("a\tb"));
        editor.dialog.okButton->click();
        QCOMPARE(editor.window.shown->size(), 1);
        QVERIFY(editor.window.shown->first().startsWith(
            QStringLiteral("! Erro: O campo «Palavra-passe» não pode conter mudanças de linha")));
        QVERIFY(editor.dialog.isVisible());
        QCOMPARE(editor.bytes(), before);

        editor.dialog.password->setText(QStringLiteral("boa"));
        editor.dialog.cancelButton->click();
        QCOMPARE(editor.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(editor.bytes(), before);

        Editor fresh(QStringLiteral("nova.udl"), QString());
        QVERIFY(fresh.dialog.persistPassword->isChecked());
        fresh.dialog.server->setText(QStringLiteral("srv"));
        fresh.dialog.cancelButton->click();
        QVERIFY(!QFile::exists(fresh.path));

        Editor notes(QStringLiteral("notas.txt"), QStringLiteral("comprar pão\r\n"));
        const QByteArray text = notes.bytes();
        notes.dialog.show();
        notes.dialog.server->setText(QStringLiteral("srv"));
        *notes.window.answers = {false, true};
        notes.dialog.okButton->click();
        QCOMPARE(*notes.window.shown, QStringList{QStringLiteral("? Confirmação: O ficheiro %1 não é um ficheiro de "
                                                                 "ligação. Deseja substituir todo o seu conteúdo por "
                                                                 "esta ligação?").arg(notes.path)});
        QVERIFY(notes.dialog.isVisible());
        QCOMPARE(notes.bytes(), text);
        notes.dialog.okButton->click();
        QCOMPARE(notes.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(core::readInitString(notes.path), QStringLiteral("SQLOLEDB.1;Persist Security Info=True;Data Source=srv"));
    }

    void testarLigacaoKeepsTheDialogAnsweringAndSaysTheOutcome()
    {
        Editor editor;
        app::LinkEditor& d = editor.dialog;
        editor.window.holdAtConnect();
        d.testButton->click();
        QVERIFY(d.isAsking());
        QVERIFY(!d.testButton->isEnabled());
        QCOMPARE(d.status->text(), QStringLiteral("A testar a ligação..."));
        // The login is held; the dialog still takes what is typed.
        d.user->setFocus();
        QTest::keyClicks(d.user, QStringLiteral("x"));
        QCOMPARE(d.user->text(), QStringLiteral("sax"));
        QVERIFY(d.isAsking());
        editor.window.releaseConnect();
        QVERIFY(answered(d));
        QCOMPARE(d.status->text(), QStringLiteral("Ligação testada com sucesso."));
        QVERIFY(d.testButton->isEnabled());
        // The login as typed when the button was pressed, on the database named.
        QCOMPARE(editor.window.recorder->sqlOf(QStringLiteral("cn.setTarget")),
                 QStringList{QStringLiteral("host=srv;instance=SQLEXPRESS;login=sa/pw;database=loja")});

        editor.window.recorder->failWhen(QStringLiteral("cn.open"), QString(), QStringLiteral("Login failed for user 'sax'."));
        d.testButton->click();
        QVERIFY(answered(d));
        QCOMPARE(d.status->text(), QStringLiteral("Login failed for user 'sax'."));

        d.server->setText(QStringLiteral("srv\t"));
        d.testButton->click();
        QVERIFY(!d.isAsking());
        QVERIFY(d.status->text().contains(QStringLiteral("«Servidor» não pode conter mudanças de linha")));
    }

    void theDatabaseListIsAskedForEachTimeItIsOpened()
    {
        Editor editor;
        app::LinkEditor& d = editor.dialog;
        editor.window.recorder->respond(
            QStringLiteral("sys.databases"),
            recording::makeResult({QStringLiteral("name")}, {{QStringLiteral("a;b")}, {QStringLiteral(" Loja [1]")}}));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.database->showPopup();
        QVERIFY(answered(d));
        QCOMPARE(d.database->count(), 2);
        QCOMPARE(d.database->itemText(0), QStringLiteral("a;b"));
        QCOMPARE(d.database->itemText(1), QStringLiteral(" Loja [1]"));
        QCOMPARE(d.database->currentText(), QStringLiteral("loja"));
        QVERIFY(d.database->view()->isVisible());
        d.database->hidePopup();

        editor.window.recorder->failWhen(QStringLiteral("cn.open"), QString(), QStringLiteral("Server unavailable"));
        d.database->showPopup();
        QVERIFY(answered(d));
        QCOMPARE(d.status->text(), QStringLiteral("Server unavailable"));
        QCOMPARE(editor.window.recorder->sqlOf(QStringLiteral("cn.setTarget")).first(),
                 QStringLiteral("host=srv;instance=SQLEXPRESS;login=sa/pw;database=master"));
    }

    void closingWhileAQuestionIsUnderWayLeavesItToEndOnItsOwn()
    {
        {
            Editor editor;
            app::LinkEditor& d = editor.dialog;
            d.show();
            editor.window.holdAtConnect();
            d.testButton->click();
            d.cancelButton->click();
            QVERIFY(!d.isVisible());
            QCOMPARE(d.result(), int(QDialog::Rejected));
        }  // the dialog goes, then the login is let through
        QVERIFY(probesEnded(20000));
    }

    void aServerThatStopsAnsweringIsGivenUpOnWithinTheLoginTimeoutTwice()
    {
        if (!faketds::freeTdsInstalled())
            QSKIP("FreeTDS is not the SQL Server driver here");
        // The login is accepted; the list of databases is never answered.
        faketds::FakeTdsServer server({.acknowledgeLogin = true, .thenSilent = true});
        Window window;
        app::LinkEditor d(window.link(QStringLiteral("mudo.udl"),
                                      QStringLiteral("SQLOLEDB.1;Password=pw;User ID=sa;Data Source=%1").arg(server.dataSource())));
        d.show();
        d.database->showPopup();
        QTest::qWait(2000);
        QVERIFY(d.isAsking());
        QElapsedTimer timer;
        timer.start();
        d.cancelButton->click();
        QVERIFY(!d.isVisible());
        QVERIFY(probesEnded(40000));
        qInfo("question to a silent server ended %lld ms after the dialog closed", timer.elapsed());
    }
};

QTEST_MAIN(LinkEditorTest)
#include "LinkEditorTest.moc"
