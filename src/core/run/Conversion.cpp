#include "core/run/Conversion.h"

#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/common/Transaction.h"
#include "core/run/RunServers.h"
#include "core/run/StockSearch.h"
#include "core/search/BadRows.h"
#include "core/steps/StockStep.h"
#include "core/steps/TableCopy.h"
#include "core/steps/TableSteps.h"

#include <exception>
#include <optional>

namespace core {

int conversionStepCount(bool stocks)
{
    return int(tableSteps().size()) + (stocks ? 1 : 0);
}

RunOutcome runConversion(const Database& database, const Link& source, const Link& destination, bool stocks,
                         ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    const TableStep* current = nullptr;
    std::optional<StockDocument> stockDocument;  // once numbered, while its lines are written
    std::optional<RunServers> servers;
    bool undone = true;
    try {
        servers.emplace(database, source, destination, stocks, sink);
        const DatabaseNames& names = servers->names();
        const StepSides sides = servers->sides(servers->destination());
        for (const TableStep& step : tableSteps()) {
            current = &step;
            runTableStep(step, names, sides, sink);
        }
        current = nullptr;
        if (stocks) {
            runStockStep(names, servers->stockSides(sides.transactions), sink, now, [&](const StockDocument& document) {
                servers->tellLoadPath(sink);
                stockDocument = document;
            });
            stockDocument.reset();
        }
        servers->closeDestination();
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        logFailure(sink, e);
        const QString stepNote = leftWorkNote(e);
        undone = stepNote.isEmpty();
        // A step is only reached once the servers are. Where the destination
        // acted on its own, nothing more is sent to it: no search.
        if ((current || stockDocument) && !stopsTheRun(e)) {
            const StepSides sides = servers->sides(servers->destination());
            const SearchEnd search = current ? nameBadRows(*current, servers->names(), sides, sink)
                                             : nameRefusedStockLines(e, *stockDocument, servers->names(), sides, sink);
            // A try of the search, not the step, may have stayed (said once);
            // a try that met the destination acting on its own has told it.
            const QString searchNote = mayHaveStayed(search.leftBehind);
            if (!search.undone && !search.stopped && searchNote != stepNote)
                sink.addLog(searchNote);
            undone = undone && search.undone;
        }
        sink.addLog(QStringLiteral("Processo abortado!"));
    }
    servers.reset();
    closeAfterFailure(database.cn);
    return undone ? RunOutcome::Aborted : RunOutcome::AbortedUndoUnknown;
}

}  // namespace core
