#include "core/TableCopy.h"

#include "core/Transaction.h"

namespace core {

namespace {

void executeAll(const std::vector<StepStatement>& statements, const DatabaseNames& names, const StepSides& sides)
{
    for (const StepStatement& statement : statements)
        runStepStatement(statement, names, sides);
}

}  // namespace

std::vector<SourceStatement> chosenInserts(const TableStep& step, const DatabaseNames& names, db::Query& q)
{
    if (step.probeColumn.isEmpty())
        return insertsOf(step, true);
    // The column list answers even when the table is empty.
    q.setSql(QStringLiteral("SELECT TOP 1 * FROM %1.dbo.%2").arg(quotedName(names.source), step.sourceTable));
    q.open();
    const bool probeFound = q.hasField(step.probeColumn);
    q.close();
    return insertsOf(step, probeFound);
}

void runTableStep(const TableStep& step, const DatabaseNames& names, const StepSides& sides, ConversionSink& sink,
                  const StepDoneLine& doneLine)
{
    db::Query& source = sides.source;
    const QString sourceTable = QStringLiteral("%1.dbo.%2").arg(quotedName(names.source), step.sourceTable);
    bool counted = false;
    std::int32_t sourceRows = 0;

    inTransaction(sides.transactions, [&] {
        executeAll(deletesOf(step), names, sides);

        source.setSql(QStringLiteral("SELECT COUNT(codigo) FROM ") + sourceTable);
        source.open();
        counted = source.hasRow();
        if (!counted)
            return;
        sourceRows = source.asInteger(0);
        sink.addLog(QStringLiteral("A converter ") + QString::number(sourceRows) + step.countLabel);
        source.close();

        for (const SourceStatement& insert : chosenInserts(step, names, source))
            runStepStatement(insert.insert(), names, sides);
        executeAll(followUpsOf(step), names, sides);
    }, step.destinationTables);

    if (counted)
        sink.addLog(doneLine ? doneLine(sourceRows) : step.doneMessage);
    source.close();
    sink.progressStep();
}

}  // namespace core
