#pragma once

#include "core/common/ConversionSink.h"

#include <QElapsedTimer>

namespace core {

// Tells the sink how a step ended, with its time, once: as failed when the
// step is left by an exception before it was told otherwise.
class StepTeller {
public:
    StepTeller(const QString& step, ConversionSink& sink) : m_sink(sink)
    {
        m_facts.name = step;
        m_clock.start();
    }
    ~StepTeller()
    {
        if (!m_told)
            tell(false, {});
    }
    StepTeller(const StepTeller&) = delete;
    StepTeller& operator=(const StepTeller&) = delete;

    void counted(std::int64_t sourceRows) { m_facts.sourceRows = sourceRows; }
    void tell(bool done, const TableRows& tableRows)
    {
        m_told = true;
        m_facts.done = done;
        m_facts.tableRows = tableRows;
        m_facts.milliseconds = m_clock.elapsed();
        m_sink.stepEnded(m_facts);
    }

private:
    ConversionSink& m_sink;
    StepFacts m_facts;
    QElapsedTimer m_clock;
    bool m_told = false;
};

}  // namespace core
