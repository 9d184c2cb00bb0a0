#include "core/steps/TableCopy.h"

#include "core/common/Transaction.h"
#include "core/steps/StepTeller.h"

namespace core {

namespace {

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

void runStepStatements(const std::vector<StepStatement>& statements, const QString& step, const DatabaseNames& names,
                       const StepSides& sides, TablesTouched& touched)
{
    for (const StepStatement& statement : statements) {
        touched.add(statement.table, statement.empties);
        try {
            runStepStatement(statement, names, sides);
        } catch (const db::TransactionLost&) {
            throw destinationActed(step, statement.table, statement.empties, names, sides.destination, touched);
        } catch (const db::DbError& refused) {
            if (!statement.empties)
                throw;
            throw Refusal(refused, QStringLiteral("%1: o destino recusa apagar os registos: %2").arg(step, refused.message()));
        }
    }
}

TablesTouched tablesOf(const TableStep& step)
{
    TablesTouched touched;
    for (const StepStatement& statement : deletesOf(step))
        touched.add(statement.table, true);
    for (const RowCopy& copy : step.copies)
        touched.add(copy.destinationTable, false);
    for (const StepStatement& statement : followUpsOf(step))
        touched.add(statement.table, statement.empties);
    return touched;
}

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
    TablesTouched touched;

    inTransaction(sides.transactions, [&] {
        runStepStatements(deletesOf(step), step.sourceTable, names, sides, touched);

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
            runStepStatements({insert.insert()}, step.sourceTable, names, sides, touched);
        runStepStatements(followUpsOf(step), step.sourceTable, names, sides, touched);
    }, touched);

    const TableRows rows = sink.keepsFacts() || doneLine ? tableRows(step, names, sides.destination) : TableRows{};
    teller.tell(true, rows);
    if (counted)
        sink.addLog(doneLine ? doneLine(sourceRows, rows) : step.doneMessage);
    source.close();
    sink.progressStep();
}

}  // namespace core
