#include "core/steps/TableCopy.h"

#include "core/common/Transaction.h"
#include "core/steps/StepTeller.h"

namespace core {

namespace {

void executeAll(const std::vector<StepStatement>& statements, const DatabaseNames& names, const StepSides& sides)
{
    for (const StepStatement& statement : statements)
        runStepStatement(statement, names, sides);
}

// The rows each destination table of the step holds now, as q sees them.
TableRows tableRows(const TableStep& step, const DatabaseNames& names, db::Query& q)
{
    TableRows rows;
    for (const QString& table : step.destinationTables) {
        q.setSql(substituteNames(QStringLiteral("SELECT COUNT(*) FROM @destino.dbo.") + table, names));
        q.open();
        rows.append({table, q.hasRow() ? q.asInteger(0) : 0});
        q.close();
    }
    return rows;
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
    StepTeller teller(step.sourceTable, sink);

    inTransaction(sides.transactions, [&] {
        executeAll(deletesOf(step), names, sides);

        source.setSql(QStringLiteral("SELECT COUNT(codigo) FROM ") + sourceTable);
        source.open();
        counted = source.hasRow();
        if (!counted)
            return;
        sourceRows = source.asInteger(0);
        teller.counted(sourceRows);
        sink.addLog(QStringLiteral("A converter ") + QString::number(sourceRows) + step.countLabel);
        source.close();

        for (const SourceStatement& insert : chosenInserts(step, names, source))
            runStepStatement(insert.insert(), names, sides);
        executeAll(followUpsOf(step), names, sides);
    }, step.destinationTables);

    const TableRows rows = sink.keepsFacts() || doneLine ? tableRows(step, names, sides.destination) : TableRows{};
    teller.tell(true, rows);
    if (counted)
        sink.addLog(doneLine ? doneLine(sourceRows, rows) : step.doneMessage);
    source.close();
    sink.progressStep();
}

}  // namespace core
