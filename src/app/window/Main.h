#pragma once

// The window: the main window TfrmMain and its worker TProcessar. Its path
// boxes' context menu opens the data link editor (editor/LinkMenu.h), the one
// place where a front end reaches into another.

#include "core/links/Link.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QString>
#include <QWidget>
#include <memory>

class QCloseEvent;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QShowEvent;
class QToolButton;
class TProcessar;

namespace app {
class MessageBoxes;
}

// The program's only window: the two data link files, the log, the button
// that starts a conversion or waits for the running one, the one that starts
// a dry run, and the one that opens the last run's report.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    // Works against the production database layer.
    TfrmMain();
    explicit TfrmMain(std::unique_ptr<db::Connection> connection);
    ~TfrmMain() override;

    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    void setMessageBoxes(std::unique_ptr<app::MessageBoxes> messageBoxes);

    QLineEdit* const Origem;
    QLabel* const Label1;
    QToolButton* const btSearch;
    QLineEdit* const Destino;
    QLabel* const Label2;
    QToolButton* const btSearch2;
    QFileDialog* const AbrirUDL;
    QPlainTextEdit* const Log;
    QProgressBar* const Progress;
    QPushButton* const Button1;
    QPushButton* const btVerificar;
    QPushButton* const btRelatorio;
    // Used only by the worker, and only while a run is in progress.
    const std::unique_ptr<db::Connection> cn;
    const std::unique_ptr<db::Query> q_exec;
    const std::unique_ptr<db::Query> q_aux;

    void btSearchClick();
    void btSearch2Click();
    void Button1Click();
    void btVerificarClick();
    void btRelatorioClick();
    // The report of the run that is ending, written whole: once the run has
    // ended, Relatório opens it. A run without one leaves Relatório disabled.
    void offerReport(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildForm();
    void chooseLinkFile(QLineEdit* target);
    void prepareRun(bool verifyOnly);
    void startProcessar(const core::Link& source, const core::Link& destination, bool stocks, bool verifyOnly);
    void waitForProcessar();
    void processarEnded();

    std::unique_ptr<app::MessageBoxes> m_messageBoxes;
    std::unique_ptr<TProcessar> m_processar;
    QString m_lastLinkFile;
    QString m_reportPath;
    bool m_placed = false;
};

// The worker of the run in progress, or null when none runs. Set by the window
// before the worker's thread starts, cleared by the worker's destructor; both
// happen on the window's thread.
extern TProcessar* ActiveProcessar;
