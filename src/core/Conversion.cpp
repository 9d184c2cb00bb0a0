#include "core/Conversion.h"

#include "core/RunFailure.h"
#include "core/RunServers.h"
#include "core/SqlNames.h"
#include "core/StockTransfer.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"

#include <exception>

namespace core {

namespace {

void reportFailure(ConversionSink& sink, const QString& message)
{
    sink.addLog(QStringLiteral("Excepção fatal: ") + message);
    sink.addLog(QStringLiteral("Processo abortado!"));
}

}  // namespace

int conversionStepCount(bool stocks)
{
    return int(tableSteps().size()) + (stocks ? 1 : 0);
}

RunOutcome runConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                         bool stocks, ConversionSink& sink, const Clock& now)
{
    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    try {
        RunServers servers(database, sourceInit, destinationInit, sink);
        const StepSides sides = servers.sides(servers.destination());
        for (const TableStep& step : tableSteps())
            runTableStep(step, servers.names(), sides, sink);
        if (stocks)
            runStockTransfer(servers.names(), sides.transactions, sides.destination, servers.stockRows(), sink, now);
        servers.closeDestination();
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        reportFailure(sink, failureText(e));
    }
    closeAfterFailure(database.cn);
    return RunOutcome::Aborted;
}

}  // namespace core
