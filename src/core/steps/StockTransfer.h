#pragma once

#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "core/steps/BulkTargets.h"
#include "core/steps/TableSteps.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QDateTime>
#include <cstdint>
#include <functional>
#include <optional>

namespace core {

// The inventory document a stock transfer wrote.
struct StockDocument {
    int lines = 0;
    std::int32_t number = 0;
    QDateTime time;  // its header's
};

// Where a stock transfer reads and writes.
struct StockSides {
    db::Connection& cn;  // the destination's: the document's transaction
    db::Query& q_exec;   // on cn
    db::Query& q_aux;    // on the source
    // A session on the source that nothing else uses meanwhile, to stream the
    // stock rows from; without one they are read whole through q_aux.
    db::Connection* sourceReader = nullptr;
    // Where vendas may take the lines by bulk load; without, they go in
    // parameter arrays, each line its own execution.
    const BulkTargets* bulk = nullptr;
};

// Records the source's stock levels in the destination as one new inventory
// document "IN": a line in vendas per stocked product, then its header in
// documentos, all in one transaction. Takes one progress step. Returns the
// document written, or nothing when no product is stocked. Once the document
// has its number, numbered is told it (with no lines yet), so that a refused
// line can be searched for with the same number and time.
std::optional<StockDocument> runStockTransfer(const DatabaseNames& names, const StockSides& sides, ConversionSink& sink,
                                              const Clock& now,
                                              const std::function<void(const StockDocument&)>& numbered = {});

// The lines of a stock document as a table step of their own, for the search
// for the lines the destination refuses: the source's stock rows of a
// product (only that of one product's code, when given), added to vendas
// (nothing emptied), each with the document's number and time.
TableStep stockLinesStep(const StockDocument& document, std::optional<std::int32_t> onlyCode = std::nullopt);

}  // namespace core
