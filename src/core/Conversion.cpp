#include "core/Conversion.h"

#include "core/InitString.h"
#include "core/SqlNames.h"
#include "core/StockTransfer.h"
#include "core/TableCopy.h"
#include "core/TableSteps.h"
#include "db/DbError.h"

#include <exception>

namespace core {

namespace {

void reportFailure(ConversionSink& sink, const QString& message)
{
    sink.addLog(QStringLiteral("Excepção fatal: ") + message);
    sink.addLog(QStringLiteral("Processo abortado!"));
}

// After a failure the connection must not stay open: the next run may name
// another server, and a connection string cannot change on an open connection.
void closeAfterFailure(db::Connection& cn)
{
    try {
        cn.close();
    } catch (const std::exception&) {
    }
}

}  // namespace

int conversionStepCount(bool stocks)
{
    return int(tableSteps().size()) + (stocks ? 1 : 0);
}

void runConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
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
    } catch (const db::DbError& e) {
        reportFailure(sink, e.message());
        closeAfterFailure(database.cn);
    } catch (const std::exception& e) {
        reportFailure(sink, QString::fromLocal8Bit(e.what()));
        closeAfterFailure(database.cn);
    }
}

}  // namespace core
