#pragma once

// core/search: the search for the source rows that a failing step's
// destination refuses. Uses core/steps, core/common and src/db.

#include "core/common/ConversionSink.h"
#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/search/StepTrial.h"
#include "core/steps/CrossServerCopy.h"
#include "core/steps/TableSteps.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <chrono>
#include <functional>

namespace core {

// Source rows named per source table at most.
inline constexpr int kNamedRowLimit = 20;

// How a search for bad rows ended.
struct SearchEnd {
    bool undone = true;    // false when a try's rollback could not tell that its work is undone
    bool stopped = false;  // the destination acted on its own in a try: nothing more may be sent to it
    TablesTouched leftBehind;  // what such tries had done
};

// After a table step failed and was rolled back: finds the source rows its
// statements fail on and logs one line for each, saying what is wrong where
// the destination's column rules show it, or else the server's words for that
// row alone. Logs nothing when the failure is not about the rows: when the
// step also fails with no rows at all, or no longer fails. Changes nothing;
// never throws (a failure during the search ends it quietly, but the
// destination acting on its own in a try, which is logged and stops it). The
// tries run through the step's sides, whose transactions must be real ones.
[[nodiscard]] SearchEnd nameBadRows(const TableStep& step, const DatabaseNames& names, const StepSides& sides,
                                    ConversionSink& sink);

// The time as the search measures it: replaceable, so that a test can run
// a search through hours of tries in an instant.
using SearchClock = std::function<std::chrono::steady_clock::time_point()>;

// The same through any trial; source and destination are read through their
// own queries (the same one when one server holds both). The search stops
// after five minutes by now, and names what it found by then.
void nameBadRows(StepTrial& trial, const DatabaseNames& names, db::Query& source, db::Query& destination,
                 ConversionSink& sink, const SearchClock& now = std::chrono::steady_clock::now);

}  // namespace core
