#pragma once

#include "core/common/Clock.h"
#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <cstdint>
#include <optional>

namespace core {

// The inventory document a stock transfer wrote.
struct StockDocument {
    int lines = 0;
    std::int32_t number = 0;
};

// Records the source's stock levels in the destination as one new inventory
// document "IN": a line in vendas per stocked product, then its header in
// documentos, all in one transaction. Takes one progress step. Returns the
// document written, or nothing when no product is stocked. The stock rows
// stream from sourceReader, a session on the source that nothing else uses
// meanwhile; without one they are read whole through q_aux.
std::optional<StockDocument> runStockTransfer(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                              db::Query& q_aux, ConversionSink& sink, const Clock& now,
                                              db::Connection* sourceReader = nullptr);

}  // namespace core
