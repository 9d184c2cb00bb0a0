#include "core/Conversion.h"

#include "core/BadRows.h"
#include "core/RunFailure.h"
#include "core/RunServers.h"
#include "core/SqlNames.h"
#include "core/StockTransfer.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

namespace {


}  // namespace

int conversionStepCount(bool stocks)
{
    return int(tableSteps().size()) + (stocks ? 1 : 0);
}

RunOutcome runConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                         bool stocks, ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    const TableStep* current = nullptr;
    DatabaseNames names;
    bool acrossServers = false;
    try {
        RunServers servers(database, sourceInit, destinationInit, sink);
        names = servers.names();
        acrossServers = servers.acrossServers();
        const StepSides sides = servers.sides(servers.destination());
        for (const TableStep& step : tableSteps()) {
            current = &step;
            runTableStep(step, names, sides, sink);
        }
        current = nullptr;
        if (stocks)
            runStockTransfer(names, sides.transactions, sides.destination, servers.stockRows(), sink, now);
        servers.closeDestination();
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
        for (const QString& note : failureNotes(e))
            sink.addLog(note);
        // The search tries the step's statements on one server; across two it is not made.
        if (current && !acrossServers)
            nameBadRows(*current, names, database.cn, database.q_exec, sink);
        sink.addLog(QStringLiteral("Processo abortado!"));
    }
    closeAfterFailure(database.cn);
    return RunOutcome::Aborted;
}

}  // namespace core
