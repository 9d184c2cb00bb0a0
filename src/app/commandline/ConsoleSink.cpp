#include "app/commandline/ConsoleSink.h"

namespace app {

ConsoleSink::ConsoleSink(Console& console, int steps)
    : m_console(console), m_showBar(console.errorIsTerminal()), m_steps(steps)
{
    drawBar();
}

ConsoleSink::~ConsoleSink()
{
    eraseBar();
}

void ConsoleSink::addLog(const QString& line)
{
    // The bar shares the terminal with the log: it steps aside for each line.
    eraseBar();
    m_console.writeOut(line + u'\n');
    drawBar();
}

void ConsoleSink::progressStep()
{
    ++m_done;
    m_rows.clear();
    drawBar();
}

void ConsoleSink::rowsWritten(const QString& table, qint64 done, qint64 expected)
{
    m_rows = QStringLiteral(" %1: %2 de %3 linhas").arg(table).arg(done).arg(expected);
    drawBar();
}

void ConsoleSink::drawBar()
{
    if (!m_showBar)
        return;
    const int filled = m_steps > 0 ? qMin(m_done, m_steps) : 0;
    const QString bar = QStringLiteral("[%1%2] %3/%4")
                            .arg(QString(filled * 2, u'#'), QString((m_steps - filled) * 2, u'.'))
                            .arg(m_done)
                            .arg(m_steps) +
                        m_rows;
    // A shorter bar must not leave the end of the longer one behind it.
    m_console.writeError(u'\r' + bar + QString(qMax(qsizetype(0), m_barWidth - bar.size()), u' '));
    m_barWidth = qMax(m_barWidth, bar.size());
}

void ConsoleSink::eraseBar()
{
    if (!m_showBar || m_barWidth == 0)
        return;
    m_console.writeError(u'\r' + QString(m_barWidth, u' ') + u'\r');
    m_barWidth = 0;
}

}  // namespace app
