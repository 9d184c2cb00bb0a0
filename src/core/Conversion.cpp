#include "core/Conversion.h"

#include "core/BadRows.h"
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
    try {
        const SourceParameters source = parseSourceInit(sourceInit);
        names = {source.database, parseDestinationDatabase(destinationInit)};
        database.cn.setConnectionString(workingConnectionString(source));
        database.cn.open();
        for (const TableStep& step : tableSteps()) {
            current = &step;
            runTableStep(step, names, database.cn, database.q_exec, sink);
        }
        current = nullptr;
        if (stocks)
            runStockTransfer(names, database.cn, database.q_exec, database.q_aux, sink, now);
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
        return RunOutcome::Complete;
    } catch (const std::exception& e) {
        sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
        if (const auto* notUndone = dynamic_cast<const TransactionNotUndone*>(&e))
            sink.addLog(notUndone->note());
        if (current)
            nameBadRows(*current, names, database.cn, database.q_exec, sink);
        sink.addLog(QStringLiteral("Processo abortado!"));
    }
    closeAfterFailure(database.cn);
    return RunOutcome::Aborted;
}

}  // namespace core
