#pragma once

#include <QString>

namespace core {

// Where a conversion reports: one line of log text at a time, and one
// progress step at the end of each step of the run.
class ConversionSink {
public:
    virtual ~ConversionSink() = default;
    virtual void addLog(const QString& line) = 0;
    virtual void progressStep() = 0;
    // Within a step that writes its rows one by one, from time to time: done
    // of expected rows written into table so far. A step that could look hung
    // says it; a sink that only counts steps ignores it.
    virtual void rowsWritten(const QString& table, qint64 done, qint64 expected)
    {
        Q_UNUSED(table);
        Q_UNUSED(done);
        Q_UNUSED(expected);
    }
};

}  // namespace core
