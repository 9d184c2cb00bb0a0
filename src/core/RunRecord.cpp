#include "core/RunRecord.h"

#include "core/InitString.h"
#include "core/ServerIdentity.h"

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

QString passwordOf(const QString& initString)
{
    return parseSourceInit(initString).password;
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
    for (const QString& password : {passwordOf(request.sourceInit), passwordOf(request.destinationInit)}) {
        if (password.size() >= kShortestHiddenPassword)
            m_secrets.append(password);
    }

    m_written = QDir().mkpath(QFileInfo(path).absolutePath()) &&
                m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);

    const SourceParameters source = parseSourceInit(request.sourceInit);
    write(QStringLiteral("=== %1 início %2\n").arg(timestamp(), request.verifyOnly ? QStringLiteral("da verificação")
                                                                                    : QStringLiteral("da conversão")));
    const QString destinationServer = parseSourceInit(request.destinationInit).server;
    if (sameServerName(source.server, destinationServer)) {
        write(QStringLiteral("Servidor: %1\n").arg(source.server));
    } else {
        write(QStringLiteral("Servidor de origem: %1\n").arg(source.server));
        write(QStringLiteral("Servidor de destino: %1\n").arg(destinationServer));
    }
    write(QStringLiteral("Origem: %1\n").arg(source.database));
    write(QStringLiteral("Destino: %1\n").arg(parseDestinationDatabase(request.destinationInit)));
    write(QStringLiteral("Existências: %1\n").arg(request.stocks ? QStringLiteral("sim") : QStringLiteral("não")));
}

void RunRecord::addLog(const QString& line)
{
    m_shown.addLog(line);
    QString hidden = line;
    for (const QString& secret : m_secrets)
        hidden.replace(secret, QStringLiteral("********"));
    const std::lock_guard lock(m_writing);
    // After an interruption the record has its end: nothing goes after it.
    if (!m_ended)
        write(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + hidden + u'\n');
}

void RunRecord::progressStep()
{
    m_shown.progressStep();
}

void RunRecord::rowsWritten(const QString& table, qint64 done, qint64 expected)
{
    m_shown.rowsWritten(table, done, expected);
}

void RunRecord::finish(RunOutcome outcome)
{
    if (m_verifyOnly)
        end(outcome == RunOutcome::Complete  ? QStringLiteral("verificação concluída, nada foi alterado")
            : outcome == RunOutcome::Aborted ? QStringLiteral("verificação falhou, nada foi alterado")
                                             : QStringLiteral("verificação falhou, podem ter ficado registos escritos"));
    else
        end(outcome == RunOutcome::Complete ? QStringLiteral("conversão completa")
                                            : QStringLiteral("processo abortado"));
}

void RunRecord::interrupted()
{
    // The step in progress is undone by the server when the connection goes.
    end(m_verifyOnly ? QStringLiteral("verificação interrompida, nada foi alterado")
                     : QStringLiteral("conversão interrompida, o passo em curso foi desfeito"));
}

void RunRecord::end(const QString& result)
{
    const std::lock_guard lock(m_writing);
    if (m_ended)
        return;
    m_ended = true;
    write(QStringLiteral("Resultado: %1\n").arg(result));
    write(QStringLiteral("=== %1 fim\n").arg(timestamp()));
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
