#pragma once

#include "app/Console.h"
#include "core/common/ConversionSink.h"

namespace app {

// A run shown in a terminal: each log line on standard output as it comes,
// and, when standard error is a terminal, a progress bar there, redrawn
// below the latest line, with the rows a long step has written so far.
class ConsoleSink final : public core::ConversionSink {
public:
    ConsoleSink(Console& console, int steps);
    // Takes the bar away.
    ~ConsoleSink() override;

    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    void addLog(const QString& line) override;
    void progressStep() override;
    void rowsWritten(const QString& table, qint64 done, qint64 expected) override;

private:
    void drawBar();
    void eraseBar();

    Console& m_console;
    const bool m_showBar;
    const int m_steps;
    int m_done = 0;
    QString m_rows;  // within the step in progress
    qsizetype m_barWidth = 0;
};

}  // namespace app
