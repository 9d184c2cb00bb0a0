#include "app/window/Processar.h"

#include "app/window/Main.h"
#include "core/run/Conversion.h"
#include "core/run/RunRecord.h"
#include "core/run/RunRequest.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <utility>

TProcessar::TProcessar(TfrmMain* Form, core::Link ConnectionString, core::Link ConnectionDest, bool Stocks,
                       bool VerifyOnly)
    : FForm(Form),
      FConnectionString(std::move(ConnectionString)),
      FConnectionDest(std::move(ConnectionDest)),
      FStocks(Stocks),
      FVerifyOnly(VerifyOnly)
{
    FForm->Button1->setText(QStringLiteral("Cancelar"));
    FForm->btVerificar->setEnabled(false);
    FForm->Progress->setValue(0);
    FForm->Progress->setMaximum(core::conversionStepCount(FStocks));

    // Queued, so the controls are only ever touched on the window's thread,
    // in the order the run reported.
    TfrmMain* const form = FForm;
    connect(
        this, &TProcessar::logLine, form,
        [form](const QString& text) {
            form->Log->appendPlainText(text);
            form->Log->moveCursor(QTextCursor::End);
            form->Log->ensureCursorVisible();
            form->Log->viewport()->repaint();
        },
        Qt::QueuedConnection);
    connect(
        this, &TProcessar::progressStepped, form,
        [form] { form->Progress->setValue(form->Progress->value() + 1); }, Qt::QueuedConnection);
    connect(
        this, &TProcessar::progressFinished, form, [form] { form->Progress->setValue(0); }, Qt::QueuedConnection);
    connect(this, &TProcessar::reportReady, form, &TfrmMain::offerReport, Qt::QueuedConnection);
}

TProcessar::~TProcessar()
{
    wait();
    FForm->Button1->setText(QStringLiteral("Converter"));
    FForm->btVerificar->setEnabled(true);
    ActiveProcessar = nullptr;
}

void TProcessar::AddLog(const QString& Text)
{
    emit logLine(Text);
}

void TProcessar::addLog(const QString& line)
{
    AddLog(line);
}

void TProcessar::progressStep()
{
    emit progressStepped();
}

void TProcessar::reportWritten(const QString& path)
{
    emit reportReady(path);
}

void TProcessar::run()
{
    Execute();
}

// The termination request is never looked at: a run, once started, goes to
// its end. Every failure is reported in the log by the run itself.
void TProcessar::Execute()
{
    const core::RunRequest request{FConnectionString, FConnectionDest, FStocks, FVerifyOnly};
    core::RunRecord record(core::defaultRecordPath(), request, *this);
    record.finish(core::runRequested({*FForm->cn, *FForm->q_exec, *FForm->q_aux}, request, record));
    emit progressFinished();
}
