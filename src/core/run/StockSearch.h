#pragma once

#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "core/search/BadRows.h"
#include "core/steps/CrossServerCopy.h"
#include "core/steps/StockTransfer.h"

#include <exception>

namespace core {

// After the stock document numbered as document failed and was rolled back
// (undone: known to be undone): names the lines the destination refuses, as
// the rows of a table step are named (the column and what the destination
// takes, where its rules show it). A line the failure already knows
// (RowRefused) is searched alone, and named with the server's words for it
// where it goes through alone (a rule over several lines) or where nothing
// may be tried: where the document's work may have stayed, or the destination
// acted on its own. Changes nothing; ends as the search ended (not undone
// also when the document's own rollback could not tell).
[[nodiscard]] SearchEnd nameRefusedStockLines(const std::exception& failure, const StockDocument& document,
                                              const DatabaseNames& names, const StepSides& sides,
                                              ConversionSink& sink, bool undone = true);

}  // namespace core
