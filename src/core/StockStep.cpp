#include "core/StockStep.h"

#include <QElapsedTimer>

namespace core {

std::optional<StockDocument> runStockStep(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                          db::Query& q_aux, ConversionSink& sink, const Clock& now)
{
    QElapsedTimer clock;
    clock.start();
    StepFacts facts;
    facts.name = QStringLiteral("Existencias");
    try {
        const std::optional<StockDocument> document = runStockTransfer(names, cn, q_exec, q_aux, sink, now);
        facts.sourceRows = document ? document->lines : 0;
        facts.milliseconds = clock.elapsed();
        facts.done = true;
        sink.stepEnded(facts);
        sink.stockDocument(document ? StockFacts{true, document->number, document->lines} : StockFacts{});
        return document;
    } catch (...) {
        facts.milliseconds = clock.elapsed();
        sink.stepEnded(facts);
        throw;
    }
}

}  // namespace core
