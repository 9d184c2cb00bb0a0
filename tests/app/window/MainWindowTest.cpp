#include "AppTestSupport.h"
#include "app/editor/LinkEditor.h"
#include "app/window/Processar.h"
#include "core/links/DataLinkFile.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMenu>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

using namespace apptest;

namespace {

const QString kOrigemMissing = QStringLiteral("! Erro: O ficheiro de ligação à base de dados de origem não existe!");
const QString kDestinoMissing = QStringLiteral("! Erro: O ficheiro de ligação à base de dados de destino não existe!");
const QString kInvalid = QStringLiteral("! Erro: Ficheiro de ligação à base de dados inválido!");
const QString kSame = QStringLiteral("! Erro: A base de dados de destino não pode ser a mesma que a de origem!");

// Runs act on the next popup or dialog of type T to be shown, from inside the
// loop that shows it: the test waits on the window itself, not on a clock.
// The watch goes with owner if nothing of the kind ever shows.
template <typename T, typename Act>
void whenShown(QObject* owner, Act act)
{
    class Watch final : public QObject {
    public:
        Watch(QObject* owner, Act act) : QObject(owner), m_act(std::move(act)) { qApp->installEventFilter(this); }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* shown = qobject_cast<T*>(watched);
            if (event->type() == QEvent::Show && shown && shown->isWindow()) {
                qApp->removeEventFilter(this);
                QMetaObject::invokeMethod(
                    this,
                    [this, shown = QPointer<T>(shown)] {
                        if (shown)
                            m_act(shown.data());
                        deleteLater();
                    },
                    Qt::QueuedConnection);
            }
            return false;
        }

    private:
        Act m_act;
    };
    new Watch(owner, std::move(act));
}

// Chooses path the way a person does, in the dialog's name box: selectFile()
// leaves that box as it is once it has the keyboard focus, which comes
// whenever the window system gets round to activating the dialog. A dialog
// that does not take the name is closed all the same, so the test fails
// instead of hanging.
void acceptFileName(QFileDialog* dialog, const QString& path)
{
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
    if (dialog->isVisible())
        dialog->reject();
}

// Right-clicks the box and picks the last entry of its menu; the menu's texts.
QStringList pickLinkEntry(QLineEdit* box)
{
    QStringList texts;
    whenShown<QMenu>(box, [&texts](QMenu* menu) {
        for (const QAction* action : menu->actions())
            texts.append(action->text());
        menu->setActiveAction(menu->actions().last());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(box, &click);
    return texts;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    // Starts a run held at its connect; check runs while Button1 or the close waits.
    template <typename Wait>
    void waitDuringARun(Window& window, Wait wait)
    {
        window.holdAtConnect();
        window.start(false);
        QVERIFY(ActiveProcessar);
        bool heldWithCancelar = false;
        QTimer::singleShot(100, this, [&] {
            heldWithCancelar = ActiveProcessar && ActiveProcessar->isInterruptionRequested() &&
                               window.form.Button1->text() == QStringLiteral("Cancelar");
            window.releaseConnect();
        });
        wait();
        QVERIFY(heldWithCancelar);
        QVERIFY(!ActiveProcessar);
        QCOMPARE(window.form.Button1->text(), QStringLiteral("Converter"));
        QCOMPARE(window.log().last(), QStringLiteral("Conversão completa!"));
        QCOMPARE(window.recorder->lines().last(), QStringLiteral("cn.close"));
    }

private slots:
    // Words for a file: "" typed as empty, "absent", "folder", "invalid" (no
    // init string), or the database a link file names.
    void refusalsStopAtTheFirstFault_data()
    {
        QTest::addColumn<QString>("origem");
        QTest::addColumn<QString>("destino");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("both empty") << "" << "" << QStringList{kAskConvert, kOrigemMissing};
        QTest::newRow("source a folder") << "folder" << "loja" << QStringList{kAskConvert, kOrigemMissing};
        QTest::newRow("destination absent") << "pos" << "absent" << QStringList{kAskConvert, kDestinoMissing};
        QTest::newRow("files before contents") << "invalid" << "absent" << QStringList{kAskConvert, kDestinoMissing};
        QTest::newRow("source invalid") << "invalid" << "loja" << QStringList{kAskConvert, kInvalid};
        QTest::newRow("destination invalid") << "pos" << "invalid" << QStringList{kAskConvert, kInvalid};
        QTest::newRow("same database") << "pos" << "POS" << QStringList{kAskConvert, kSame};
    }

    void refusalsStopAtTheFirstFault()
    {
        QFETCH(QString, origem);
        QFETCH(QString, destino);
        QFETCH(QStringList, shown);
        Window window;
        const auto path = [&](const QString& word, const QString& name, const QString& init) {
            if (word.isEmpty() || word == QStringLiteral("absent"))
                return word.isEmpty() ? QString() : window.dir.filePath(QStringLiteral("absent.udl"));
            if (word == QStringLiteral("folder"))
                return window.dir.path();
            if (word == QStringLiteral("invalid"))
                return window.linkFile(name, QStringLiteral("[oledb]\r\nProvider=\r\n[x]\r\nProvider=SQLOLEDB.1\r\n"));
            return window.link(name, init);
        };
        window.form.Origem->setText(path(origem, QStringLiteral("o.udl"), sourceInit(origem)));
        window.form.Destino->setText(path(destino, QStringLiteral("d.udl"), destinationInit(destino)));
        window.form.Log->setPlainText(QStringLiteral("de antes"));
        *window.answers = {true, true};

        window.form.Button1Click();

        QCOMPARE(*window.shown, shown);
        QCOMPARE(window.log(), QStringList());
        QVERIFY(!ActiveProcessar);
        QVERIFY(window.recorder->calls().empty());
    }

    void noToTheFirstQuestionLeavesTheLogAlone()
    {
        Window window;
        window.form.Log->setPlainText(QStringLiteral("de antes"));
        *window.answers = {false};
        window.form.Button1Click();
        QCOMPARE(*window.shown, QStringList{kAskConvert});
        QCOMPARE(window.log(), QStringList{QStringLiteral("de antes")});
    }

    void aPasswordTheFileDoesNotKeepIsAskedForThisRunOnly()
    {
        Window window;
        window.form.Origem->setText(window.link(QStringLiteral("o.udl"), QStringLiteral("P;User ID=sa;Initial Catalog=pos;Data Source=srv")));
        window.form.Destino->setText(window.link(QStringLiteral("d.udl"), destinationInit(QStringLiteral("loja"))));
        *window.answers = {true, false};
        whenShown<QInputDialog>(&window.form, [](QInputDialog* asked) { asked->setTextValue(QStringLiteral("p;w")); asked->accept(); });
        window.form.Button1Click();
        QVERIFY(runEnded());
        QCOMPARE(window.recorder->sqlOf(QStringLiteral("cn.setTarget")),
                 QStringList{QStringLiteral("host=srv;login=sa/p;w;database=master")});
    }

    void aRunShowsCancelarAndItsStepsUntilItsWorkerHasGone_data()
    {
        QTest::addColumn<bool>("stocks");
        QTest::newRow("without stocks") << false;
        QTest::newRow("with stocks") << true;
    }

    void aRunShowsCancelarAndItsStepsUntilItsWorkerHasGone()
    {
        QFETCH(bool, stocks);
        Window window;
        window.holdAtConnect();
        window.form.Progress->setValue(5);
        window.start(stocks);

        QCOMPARE(*window.shown, QStringList({kAskConvert, kAskStocks}));
        QCOMPARE(window.form.Button1->text(), QStringLiteral("Cancelar"));
        QCOMPARE(window.form.Progress->maximum(), stocks ? 9 : 8);
        QCOMPARE(window.form.Progress->value(), 0);

        int highest = 0;
        connect(window.form.Progress, &QProgressBar::valueChanged, this, [&](int v) { highest = std::max(highest, v); });
        window.releaseConnect();
        QVERIFY(runEnded());
        QCOMPARE(window.form.Button1->text(), QStringLiteral("Converter"));
        QCOMPARE(highest, window.form.Progress->maximum());
        QCOMPARE(window.form.Progress->value(), 0);
    }

    void cancelarReturnsOnlyOnceTheRunHasEnded()
    {
        Window window;
        waitDuringARun(window, [&] { window.form.Button1->click(); });
    }

    void closingDuringARunWaitsForItsEnd()
    {
        Window window;
        window.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window.form));
        waitDuringARun(window, [&] { QVERIFY(window.form.close()); });
        QVERIFY(!window.form.isVisible());
    }

    void relatorioOffersNoReportDuringARunNorAfterOneWhoseReportCouldNotBeWritten()
    {
        QTemporaryDir state;
        const QByteArray stateWas = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
        const auto restore = qScopeGuard([&] { qputenv("XDG_STATE_HOME", stateWas); });
        Window window;
        window.start(false);
        QVERIFY(runEnded());
        const QFileInfo report(window.form.btRelatorio->toolTip());
        QVERIFY(window.form.btRelatorio->isEnabled() && report.exists());
        // A file where the reports' folder goes: the next report cannot be written.
        QVERIFY(report.dir().removeRecursively() && QFile(report.absolutePath()).open(QIODevice::WriteOnly));
        window.holdAtConnect();
        window.start(false);
        QVERIFY(!window.form.btRelatorio->isEnabled());
        window.releaseConnect();
        QVERIFY(runEnded());
        QVERIFY(!window.form.btRelatorio->isEnabled() && window.form.btRelatorio->toolTip().isEmpty());
    }

    void browseButtonsShareTheDialogAndItsLastPath()
    {
        Window window;
        const QString chosen = window.dir.filePath(QStringLiteral("nova.udl"));  // need not exist yet
        whenShown<QFileDialog>(&window.form, [&](QFileDialog* open) { acceptFileName(open, chosen); });
        window.form.btSearchClick();
        QCOMPARE(window.form.Origem->text(), chosen);

        QStringList offered;
        whenShown<QFileDialog>(&window.form, [&](QFileDialog* open) {
            offered = open->selectedFiles();
            open->reject();
        });
        window.form.btSearch2Click();
        QCOMPARE(offered, QStringList{chosen});
        QCOMPARE(window.form.Destino->text(), QString());
    }

    // The glyph lives in a static library's resources, which register only when asked to.
    void browseGlyphIsBlueOnSeeThroughWhite()
    {
        Window window;
        const QImage glyph = window.form.btSearch2->icon().pixmap(16, 16).toImage();
        QCOMPARE(glyph.pixelColor(0, 15).alpha(), 0);
        QCOMPARE(glyph.pixelColor(2, 6).alpha(), 255);
        QVERIFY(glyph.pixelColor(2, 6).blue() > glyph.pixelColor(2, 6).red() + 80);
    }

    void pathBoxesOfferANewLinkOrToEditTheirs()
    {
        Window window;
        const QString chosen = window.dir.filePath(QStringLiteral("nova.udl"));
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        whenShown<QFileDialog>(&window.form, [&](QFileDialog* save) {
            mode = save->acceptMode();
            whenShown<app::LinkEditor>(&window.form, [](app::LinkEditor* editor) {
                editor->server->setText(QStringLiteral("srv,1433"));
                editor->database->setEditText(QStringLiteral("pos"));
                editor->okButton->click();
            });
            acceptFileName(save, chosen);
        });
        const QStringList offered = pickLinkEntry(window.form.Destino);
        QCOMPARE(offered.last(), QStringLiteral("Nova ligação…"));
        QCOMPARE(mode, QFileDialog::AcceptSave);
        QVERIFY(offered.size() > 3);  // the box's own entries stay
        QCOMPARE(window.form.Destino->text(), chosen);
        QCOMPARE(core::readInitString(chosen),
                 QStringLiteral("SQLOLEDB.1;Persist Security Info=True;Initial Catalog=pos;Data Source=srv,1433"));

        QString shownServer;
        whenShown<app::LinkEditor>(&window.form, [&](app::LinkEditor* editor) {
            shownServer = editor->server->text();
            editor->cancelButton->click();
        });
        QCOMPARE(pickLinkEntry(window.form.Destino).last(), QStringLiteral("Editar ligação…"));
        QCOMPARE(shownServer, QStringLiteral("srv,1433"));
        QCOMPARE(window.form.Origem->text(), QString());
    }

    void messageBoxesAnswerInPortuguese()
    {
        const auto question = app::QtMessageBoxes::questionBox(nullptr, QStringLiteral("Confirmação"), QString());
        QCOMPARE(question->icon(), QMessageBox::Question);
        QCOMPARE(question->button(QMessageBox::Yes)->text(), QStringLiteral("Sim"));
        QCOMPARE(question->button(QMessageBox::No)->text(), QStringLiteral("Não"));
        QCOMPARE(question->defaultButton(), question->button(QMessageBox::Yes));
        const auto error = app::QtMessageBoxes::errorBox(nullptr, QStringLiteral("Erro"), QString());
        QCOMPARE(error->icon(), QMessageBox::Critical);
        QCOMPARE(error->buttons().size(), 1);
        QCOMPARE(error->buttons().first()->text(), QStringLiteral("OK"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
