#include "core/steps/StockStep.h"

#include "core/common/RunFailure.h"
#include "core/steps/StepTeller.h"

namespace core {

std::optional<StockDocument> runStockStep(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                          db::Query& q_aux, ConversionSink& sink, const Clock& now,
                                          db::Connection* sourceReader)
{
    StepTeller teller(QStringLiteral("Existencias"), sink);
    std::optional<StockDocument> document;
    try {
        document = runStockTransfer(names, cn, q_exec, q_aux, sink, now, sourceReader);
    } catch (const RowRefused& refused) {
        teller.tell(false, {});
        sink.badRowNamed(refused.row());
        throw;
    }
    teller.counted(document ? document->lines : 0);
    teller.tell(true, {});
    sink.stockDocument(document ? StockFacts{true, document->number, document->lines} : StockFacts{});
    return document;
}

}  // namespace core
