#include "core/run/RunRecord.h"

#include "db/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

namespace core {

namespace {

// Shorter ones cannot be told apart from ordinary text, so hiding them would
// only garble the record.
constexpr qsizetype kShortestHiddenPassword = 4;

QString timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Four hexadecimal digits tell apart the few runs that may overlap.
QString newRunId()
{
    return QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(0x10000), 4, 16, QLatin1Char('0'));
}

}  // namespace

QString defaultRecordPath()
{
#if defined(Q_OS_WIN)
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/conversoes.log");
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/KovaraConverter/conversoes.log");
#endif
}

RunRecord::RunRecord(const QString& path, const RunRequest& request, ConversionSink& shown)
    : m_shown(shown), m_file(path), m_runId(newRunId()), m_verifyOnly(request.verifyOnly)
{
    m_report.start = QDateTime::currentDateTime();
    const Link& source = request.source;
    const Link& destination = request.destination;
    for (const QString& password : {source.password, destination.password}) {
        if (password.size() >= kShortestHiddenPassword)
            m_secrets.append(password);
    }

    m_written = db::makePrivateFolder(QFileInfo(path).absolutePath()) &&
                m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    if (m_written)
        db::makePrivate(m_file);

    m_report.runId = m_runId;
    m_report.verifyOnly = request.verifyOnly;
    m_report.stocks = request.stocks;
    m_report.sourceServer = source.server;
    m_report.destinationServer = destination.server;
    m_report.sourceDatabase = source.database;
    m_report.destinationDatabase = destination.database;

    write(QStringLiteral("=== %1 início %2\n").arg(timestamp(), request.verifyOnly ? QStringLiteral("da verificação")
                                                                                    : QStringLiteral("da conversão")));
    write(QStringLiteral("Origem: %1\n").arg(m_report.sourceDatabase));
    write(QStringLiteral("Destino: %1\n").arg(m_report.destinationDatabase));
    write(QStringLiteral("Existências: %1\n").arg(request.stocks ? QStringLiteral("sim") : QStringLiteral("não")));
}

QString RunRecord::hidden(QString text) const
{
    for (const QString& secret : m_secrets)
        text.replace(secret, QStringLiteral("********"));
    return text;
}

void RunRecord::addLog(const QString& line)
{
    m_shown.addLog(line);
    const QString shown = hidden(line);
    const std::lock_guard lock(m_writing);
    // After an interruption the record has its end: nothing goes after it.
    if (m_ended)
        return;
    write(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + shown + u'\n');
    m_report.log.append(shown);
}

void RunRecord::progressStep()
{
    m_shown.progressStep();
}

void RunRecord::rowsWritten(const QString& table, qint64 done, qint64 expected)
{
    m_shown.rowsWritten(table, done, expected);
}

void RunRecord::stepEnded(const StepFacts& facts)
{
    m_shown.stepEnded(facts);
    const std::lock_guard lock(m_writing);
    m_report.steps.push_back(facts);
}

void RunRecord::badRowNamed(const BadRowFacts& facts)
{
    m_shown.badRowNamed(facts);
    const std::lock_guard lock(m_writing);
    m_report.badRows.push_back(facts);
}

// The run has found whether the destination is on the source's server; the
// names in the two files cannot tell.
void RunRecord::serversFound(const ServersFound& servers)
{
    m_shown.serversFound(servers);
    const std::lock_guard lock(m_writing);
    m_report.servers = servers;
    m_serversTold = true;
    if (m_ended)
        return;
    if (servers.destination.isEmpty()) {
        write(QStringLiteral("Servidor: %1\n").arg(servers.source));
        write(QStringLiteral("Ligação cifrada: %1\n").arg(encryptedWord(servers.sourceEncrypted)));
    } else {
        write(QStringLiteral("Servidor de origem: %1\n").arg(servers.source));
        write(QStringLiteral("Ligação cifrada à origem: %1\n").arg(encryptedWord(servers.sourceEncrypted)));
        write(QStringLiteral("Servidor de destino: %1\n").arg(servers.destination));
        write(QStringLiteral("Ligação cifrada ao destino: %1\n").arg(encryptedWord(servers.destinationEncrypted)));
    }
}

void RunRecord::stockDocument(const StockFacts& facts)
{
    m_shown.stockDocument(facts);
    const std::lock_guard lock(m_writing);
    m_report.stock = facts;
}

void RunRecord::finish(RunOutcome outcome)
{
    const bool complete = outcome == RunOutcome::Complete;
    QString result;
    if (m_verifyOnly)
        result = complete                         ? QStringLiteral("verificação concluída, nada foi alterado")
                 : outcome == RunOutcome::Aborted ? QStringLiteral("verificação falhou, nada foi alterado")
                                                  : QStringLiteral("verificação falhou, podem ter ficado registos escritos");
    else
        result = complete ? QStringLiteral("conversão completa") : QStringLiteral("processo abortado");
    if (!end(result, complete))
        return;
    m_shown.addLog(reportLine());
    const QString report = reportPath();
    if (!report.isEmpty())
        m_shown.reportWritten(report);
}

void RunRecord::interrupted()
{
    // The step in progress is undone by the server when the connection goes.
    end(m_verifyOnly ? QStringLiteral("verificação interrompida, nada foi alterado")
                     : QStringLiteral("conversão interrompida, o passo em curso foi desfeito"),
        false);
}

QString RunRecord::reportPath() const
{
    const std::lock_guard lock(m_writing);
    return m_reportPath;
}

QString RunRecord::reportLine() const
{
    return reportLineFor(reportPath());
}

QString RunRecord::reportLineFor(const QString& report) const
{
    if (report.isEmpty())
        return QStringLiteral("Aviso: não foi possível escrever o relatório da execução em %1")
            .arg(QDir::toNativeSeparators(reportFolder(m_file.fileName())));
    return QStringLiteral("Relatório: ") + QDir::toNativeSeparators(report);
}

// True when this call ended the record.
bool RunRecord::end(const QString& result, bool complete)
{
    const std::lock_guard lock(m_writing);
    if (m_ended)
        return false;
    m_ended = true;
    if (!m_serversTold)
        write(QStringLiteral("Servidores não alcançados: origem %1, destino %2\n")
                  .arg(m_report.sourceServer, m_report.destinationServer));
    write(QStringLiteral("Resultado: %1\n").arg(result));

    m_report.end = QDateTime::currentDateTime();
    m_report.result = result;
    m_report.complete = complete;
    QString page = reportPage(m_report);
    for (const QString& secret : m_secrets)
        page.replace(secret.toHtmlEscaped(), QStringLiteral("********")).replace(secret, QStringLiteral("********"));
    m_reportPath = writeReportPage(reportFolder(m_file.fileName()), m_report, page);
    write(reportLineFor(m_reportPath) + u'\n');
    write(QStringLiteral("=== %1 fim\n").arg(timestamp()));
    return true;
}

void RunRecord::write(const QString& text)
{
    if (!m_written)
        return;
    // One line, tag included, in one write: lines of runs at the same time never mix.
    const QByteArray bytes = (u'[' + m_runId + QStringLiteral("] ") + text).toUtf8();
    m_written = m_file.write(bytes) == bytes.size() && m_file.flush();
    if (!m_written)
        m_file.close();
}

}  // namespace core
