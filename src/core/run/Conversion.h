#pragma once

// core/run: a whole run, conversion or dry run: its servers, its steps in
// order, its record and report. Uses every other folder of core, and src/db.

#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/links/Link.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QString>

namespace core {

// The database layer a run works with: the connection and its two queries.
struct Database {
    db::Connection& cn;
    db::Query& q_exec;
    db::Query& q_aux;
};

// How a run ended: every step done, or stopped at the first failure; for a
// dry run, also stopped with its transaction ended by the server, so that
// what it wrote may have stayed.
enum class RunOutcome { Complete, Aborted, AbortedUndoUnknown };

// Progress steps a run takes: one per table step, one more for the stocks.
int conversionStepCount(bool stocks);

// One whole run: connects with the source link's login, converts every table
// into the destination link's database (and the stocks when asked), and
// disconnects.
// Failures end the run and are reported to the sink, never thrown; the
// connection is closed either way.
RunOutcome runConversion(const Database& database, const Link& source, const Link& destination, bool stocks,
                         ConversionSink& sink, const Clock& now = systemNow);

}  // namespace core
