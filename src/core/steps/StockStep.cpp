#include "core/steps/StockStep.h"

#include "core/common/RunFailure.h"

#include <QElapsedTimer>

namespace core {

std::optional<StockDocument> runStockStep(const DatabaseNames& names, db::Connection& cn, db::Query& q_exec,
                                          db::Query& q_aux, ConversionSink& sink, const Clock& now,
                                          db::Connection* sourceReader)
{
    QElapsedTimer clock;
    clock.start();
    StepFacts facts;
    facts.name = QStringLiteral("Existencias");
    const auto tell = [&](bool done) {
        facts.milliseconds = clock.elapsed();
        facts.done = done;
        sink.stepEnded(facts);
    };
    try {
        const std::optional<StockDocument> document = runStockTransfer(names, cn, q_exec, q_aux, sink, now, sourceReader);
        facts.sourceRows = document ? document->lines : 0;
        tell(true);
        sink.stockDocument(document ? StockFacts{true, document->number, document->lines} : StockFacts{});
        return document;
    } catch (const RowRefused& refused) {
        tell(false);
        sink.badRowNamed(refused.row());
        throw;
    } catch (...) {
        tell(false);
        throw;
    }
}

}  // namespace core
