#pragma once

#include "core/Clock.h"
#include "core/ConversionSink.h"
#include "core/SqlNames.h"
#include "db/Connection.h"
#include "db/Query.h"

namespace core {

// Records the source's stock levels in the destination as one new inventory
// document "IN": a line in vendas per stocked product, then its header in
// documentos, all in one transaction. Takes one progress step.
void runStockTransfer(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec, db::Query& q_aux,
                      ConversionSink& sink, const Clock& now);

}  // namespace core
