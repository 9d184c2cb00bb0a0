#include "core/steps/StockStep.h"

#include "core/steps/StepTeller.h"

namespace core {

std::optional<StockDocument> runStockStep(const DatabaseNames& names, const StockSides& sides, ConversionSink& sink,
                                          const Clock& now, const std::function<void(const StockDocument&)>& numbered)
{
    StepTeller teller(QStringLiteral("Existencias"), sink);
    const std::optional<StockDocument> document = runStockTransfer(names, sides, sink, now, numbered);
    teller.counted(document ? document->lines : 0);
    teller.tell(true, {});
    sink.stockDocument(document ? StockFacts{true, document->number, document->lines} : StockFacts{});
    return document;
}

}  // namespace core
