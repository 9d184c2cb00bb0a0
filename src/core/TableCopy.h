#pragma once

#include "core/ConversionSink.h"
#include "core/SqlNames.h"
#include "core/TableSteps.h"
#include "db/Connection.h"
#include "db/Query.h"

namespace core {

// Runs one table step on q, in a transaction of its own on cn, and takes its
// progress step. A failure is rolled back and thrown on.
void runTableStep(const TableStep& step, const DatabaseNames& names, db::Connection& cn, db::Query& q,
                  ConversionSink& sink);

}  // namespace core
