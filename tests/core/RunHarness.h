#pragma once

// A run of the conversion against the recording database, with a sink that
// keeps what the window would have been shown.

#include "QStringPrinting.h"
#include "RecordingDatabase.h"
#include "core/run/Conversion.h"

#include <QStringList>
#include <memory>

namespace harness {

inline const QString kSourceInit = QStringLiteral(
    "SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;Initial Catalog=pos;Data Source=srv");
inline const QString kDestinationInit = QStringLiteral(
    "SQLOLEDB.1;Password=other;Persist Security Info=True;User ID=kv;Initial Catalog=loja;Data Source=srv");
inline const QString kWorkingConnection = QStringLiteral("host=srv;login=sa/pw;database=master");
inline const QString kStep = QStringLiteral("<passo>");
// What a run asks each session's server about its encryption, which the
// recording database answers with nothing; and the line it then logs.
inline const QStringList kEncryptionQuestions = {
    QStringLiteral("q_exec.open: SELECT CONVERT(nvarchar(10), CONNECTIONPROPERTY('encrypt_option'))"),
    QStringLiteral("q_exec.open: SELECT CONVERT(nvarchar(10), encrypt_option) FROM sys.dm_exec_connections WHERE "
                   "session_id = @@SPID")};
inline const QString kEncryptionUnknown = QStringLiteral("Ligação cifrada a srv: desconhecido.");

// Log lines in order, with kStep wherever the progress bar advanced.
class RecordingSink : public core::ConversionSink {
public:
    void addLog(const QString& line) override { events.append(line); }
    void progressStep() override { events.append(kStep); }

    QStringList events;

    QStringList logLines() const
    {
        QStringList lines = events;
        lines.removeAll(kStep);
        return lines;
    }
    int steps() const { return int(events.count(kStep)); }
};

class Run {
public:
    Run()
        : recorder(std::make_shared<recording::Recorder>()),
          cn(recorder),
          q_exec(cn.createQuery(QStringLiteral("q_exec"))),
          q_aux(cn.createQuery(QStringLiteral("q_aux")))
    {
    }

    // Every count query answers n; every probe finds (or misses) its column.
    void sourceTables(const QString& count, bool probeColumnsPresent)
    {
        recorder->respond(QStringLiteral("SELECT COUNT(codigo)"), recording::singleValue(QString(), count));
        const QStringList common{QStringLiteral("codigo"), QStringLiteral("descricao")};
        recorder->respond(QStringLiteral("SELECT TOP 1 *"),
                          recording::makeResult(probeColumnsPresent
                                                    ? common + QStringList{"IvaCaixa", "FUNDO", "frontoffice", "referencia"}
                                                    : common));
    }

    void start(bool stocks, const QString& source = kSourceInit, const QString& destination = kDestinationInit,
               const core::Clock& now = core::systemNow)
    {
        core::runConversion({cn, *q_exec, *q_aux}, core::readLink(source), core::readLink(destination), stocks, sink,
                            now);
    }

    // The recorded calls with the transaction and connection calls left in.
    QStringList calls() const { return recorder->lines(); }

    std::shared_ptr<recording::Recorder> recorder;
    recording::RecordingConnection cn;
    std::unique_ptr<db::Query> q_exec;
    std::unique_ptr<db::Query> q_aux;
    RecordingSink sink;
};

}  // namespace harness
