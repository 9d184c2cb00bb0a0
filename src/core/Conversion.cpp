#include "core/Conversion.h"

#include "core/InitString.h"
#include "core/RunFailure.h"
#include "core/SqlNames.h"
#include "core/StockTransfer.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

namespace {

void reportFailure(ConversionSink& sink, const std::exception& e)
{
    sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
    if (const auto* notUndone = dynamic_cast<const TransactionNotUndone*>(&e))
        sink.addLog(notUndone->note());
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
        const SourceParameters source = parseSourceInit(sourceInit);
        const DatabaseNames names{source.database, parseDestinationDatabase(destinationInit)};
        database.cn.setConnectionString(workingConnectionString(source));
        database.cn.open();
        for (const TableStep& step : tableSteps())
            runTableStep(step, names, database.cn, database.q_exec, sink);
        if (stocks)
            runStockTransfer(names, database.cn, database.q_exec, database.q_aux, sink, now);
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        reportFailure(sink, e);
    }
    closeAfterFailure(database.cn);
    return RunOutcome::Aborted;
}

}  // namespace core
