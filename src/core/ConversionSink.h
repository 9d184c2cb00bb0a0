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
};

}  // namespace core
