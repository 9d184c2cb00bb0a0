#include "core/run/Conversion.h"

#include "core/common/RunFailure.h"
#include "core/common/SqlNames.h"
#include "core/common/Transaction.h"
#include "core/run/RunServers.h"
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
    std::optional<RunServers> servers;
    bool undone = true;
    try {
        servers.emplace(database, source, destination, sink);
        const DatabaseNames& names = servers->names();
        const StepSides sides = servers->sides(servers->destination());
        for (const TableStep& step : tableSteps()) {
            current = &step;
            runTableStep(step, names, sides, sink);
        }
        current = nullptr;
        if (stocks)
            runStockStep(names, sides.transactions, sides.destination, servers->stockRows(), sink, now,
                         servers->stockReader());
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
        if (current && !stopsTheRun(e)) {
            const SearchEnd search = nameBadRows(*current, servers->names(), servers->sides(servers->destination()), sink);
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
