#pragma once

#include "core/common/ConversionSink.h"
#include "core/run/Conversion.h"
#include "core/run/RunReport.h"
#include "core/run/RunRequest.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace core {

// Where runs are recorded: $XDG_STATE_HOME/KovaraConverter/conversoes.log
// (~/.local/state when unset); on Windows, the program's local data folder.
QString defaultRecordPath();

// The account of one run, appended to the record as the run goes, so a run
// cut short still leaves what it did: when it started and ended, the server
// (both, when the run found the destination on another) and whether each
// session is encrypted, the two databases,
// whether stocks were asked for, every log line, and how it ended. Never the
// password or the links. Every line also goes on to the sink the run
// is shown in. A record that cannot be written is given up silently; the run
// goes on. Runs at the same time append to the same record, line by line:
// each line starts with the run's own short id.
//
// At its end the run also leaves a report, one HTML page in "relatorios"
// beside the record, made from the facts the run told: its path is the
// record's last line before the end and, once the run finished, the shown
// log's last line. A report that cannot be written whole is not kept, and
// that line says so instead; the run's result stays as it was. The record,
// the report and their folders are readable by their owner only.
class RunRecord final : public ConversionSink {
public:
    RunRecord(const QString& path, const RunRequest& request, ConversionSink& shown);

    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    void addLog(const QString& line) override;
    void progressStep() override;
    void rowsWritten(const QString& table, qint64 done, qint64 expected) override;
    bool keepsFacts() const override { return true; }
    void stepEnded(const StepFacts& facts) override;
    void badRowNamed(const BadRowFacts& facts) override;
    void serversFound(const ServersFound& servers) override;
    void stockDocument(const StockFacts& facts) override;

    void finish(RunOutcome outcome);
    // The run was stopped from outside (Ctrl-C, a signal), at any moment:
    // may be called from another thread, while the run still writes. Only the
    // first of finish and interrupted ends the record.
    void interrupted();

    // The tag every line of this run starts with.
    const QString& runId() const { return m_runId; }

    // False once anything could not be written.
    bool written() const { return m_written; }

    // Once the record has ended: where its report is, or empty when it could not be written.
    QString reportPath() const;
    // Once the record has ended, the line that says where the report is or
    // that it could not be written: a report is never announced unless whole.
    QString reportLine() const;

private:
    void write(const QString& text);
    bool end(const QString& result, bool complete);
    QString reportLineFor(const QString& report) const;
    QString hidden(QString text) const;

    ConversionSink& m_shown;
    QFile m_file;
    QStringList m_secrets;
    const QString m_runId;
    const bool m_verifyOnly;
    mutable std::mutex m_writing;
    bool m_ended = false;
    std::atomic<bool> m_written = false;
    RunReport m_report;
    bool m_serversTold = false;
    QString m_reportPath;
};

}  // namespace core
