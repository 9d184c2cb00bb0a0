#pragma once

// core/common: what the other folders of core share: the sink a run reports
// to and the facts it tells, the clock, failures and transactions, SQL names,
// text splitting, what a server is, files for their owner's eyes only. Uses
// src/db only.

#include "core/common/RunFacts.h"

#include <QString>

namespace core {

// Where a conversion reports: one line of log text at a time, and one
// progress step at the end of each step of the run. The facts of the run
// (steps, bad rows, servers, stock document) come to it as they are found;
// a sink that only shows lines ignores them.
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

    // Counting a step's destination tables costs a query each: only a sink
    // that keeps the facts asks for it.
    virtual bool keepsFacts() const { return false; }
    virtual void stepEnded(const StepFacts& facts) { Q_UNUSED(facts); }
    virtual void badRowNamed(const BadRowFacts& facts) { Q_UNUSED(facts); }
    virtual void serversFound(const ServersFound& servers) { Q_UNUSED(servers); }
    virtual void stockDocument(const StockFacts& facts) { Q_UNUSED(facts); }
    // Once the run has ended: where its report was written.
    virtual void reportWritten(const QString& path) { Q_UNUSED(path); }
};

}  // namespace core
