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

RunOutcome runConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                         bool stocks, ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    const TableStep* current = nullptr;
    std::optional<StockDocument> stockDocument;  // once numbered, while its lines are written
    std::optional<RunServers> servers;
    bool undone = true;
    try {
        servers.emplace(database, sourceInit, destinationInit, stocks, sink);
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
        undone = dynamic_cast<const TransactionNotUndone*>(&e) == nullptr;
        // A step is only reached once the servers are.
        bool searchUndone = true;
        if (current)
            searchUndone = nameBadRows(*current, servers->names(), servers->sides(servers->destination()), sink);
        else if (stockDocument)
            searchUndone = nameRefusedStockLines(e, *stockDocument, servers->names(),
                                                 servers->sides(servers->destination()), sink);
        if (!searchUndone) {
            // A try of the search, not the step, may have stayed.
            sink.addLog(mayHaveStayed(current ? current->destinationTables : QStringList{QStringLiteral("vendas")}));
            undone = false;
        }
        sink.addLog(QStringLiteral("Processo abortado!"));
    }
    servers.reset();
    closeAfterFailure(database.cn);
    return undone ? RunOutcome::Aborted : RunOutcome::AbortedUndoUnknown;
}

}  // namespace core
