#pragma once

#include "core/steps/StockTransfer.h"

namespace core {

// runStockTransfer, with the step's facts and its document told to the sink
// as for any other step.
std::optional<StockDocument> runStockStep(const DatabaseNames& names, const StockSides& sides, ConversionSink& sink,
                                          const Clock& now,
                                          const std::function<void(const StockDocument&)>& numbered = {});

}  // namespace core
