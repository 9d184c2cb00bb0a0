#pragma once

#include "core/steps/StockTransfer.h"

namespace core {

// runStockTransfer, with the step's facts and its document told to the sink
// as for any other step.
std::optional<StockDocument> runStockStep(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                          db::Query& q_aux, ConversionSink& sink, const Clock& now,
                                          db::Connection* sourceReader = nullptr);

}  // namespace core
