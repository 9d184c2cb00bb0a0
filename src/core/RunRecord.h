#pragma once

#include "core/Conversion.h"
#include "core/ConversionSink.h"
#include "core/RunRequest.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace core {

// Where runs are recorded: $XDG_STATE_HOME/KovaraConverter/conversoes.log
// (~/.local/state when unset); on Windows, the program's local data folder.
QString defaultRecordPath();

// The account of one run, appended to the record as the run goes, so a run
// cut short still leaves what it did: when it started and ended, the server
// (both, when the destination names another), the two databases, whether
// stocks were asked for, every log line, and how it ended. Never the
// password or the init strings. Every line also goes on to the sink the run
// is shown in. A record that cannot be written is given
// up silently; the run goes on.
class RunRecord final : public ConversionSink {
public:
    RunRecord(const QString& path, const RunRequest& request, ConversionSink& shown);

    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    void addLog(const QString& line) override;
    void progressStep() override;

    void finish(RunOutcome outcome);

    // False once anything could not be written.
    bool written() const { return m_written; }

private:
    void write(const QString& text);

    ConversionSink& m_shown;
    QFile m_file;
    QStringList m_secrets;
    const bool m_verifyOnly;
    bool m_written = false;
};

}  // namespace core
