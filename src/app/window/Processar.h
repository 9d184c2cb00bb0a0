#pragma once

#include "core/common/ConversionSink.h"
#include "core/links/Link.h"

#include <QString>
#include <QThread>

class TfrmMain;

// One conversion on a thread of its own. Its log lines and progress steps are
// shown by the window's thread, in the order the run makes them.
class TProcessar : public QThread, public core::ConversionSink {
    Q_OBJECT

public:
    // On the window's thread, before the thread is started: the button turns
    // into "Cancelar", Verificar waits, and the bar is emptied and sized for
    // the run. VerifyOnly makes it a dry run that changes nothing.
    TProcessar(TfrmMain* Form, core::Link ConnectionString, core::Link ConnectionDest, bool Stocks,
               bool VerifyOnly = false);
    // On the window's thread, once the run has ended.
    ~TProcessar() override;

    TProcessar(const TProcessar&) = delete;
    TProcessar& operator=(const TProcessar&) = delete;

    // Safe from any thread.
    void AddLog(const QString& Text);

    void addLog(const QString& line) override;
    void progressStep() override;
    void reportWritten(const QString& path) override;

signals:
    void logLine(const QString& text);
    void progressStepped();
    void progressFinished();
    void reportReady(const QString& path);

protected:
    void run() override;

private:
    void Execute();

    TfrmMain* const FForm;
    const core::Link FConnectionString;  // the source's link, read once from its file
    const core::Link FConnectionDest;
    const bool FStocks;
    const bool FVerifyOnly;
};
