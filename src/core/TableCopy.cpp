#include "core/TableCopy.h"

#include "core/Transaction.h"

namespace core {

namespace {

void executeAll(const QStringList& statements, const DatabaseNames& names, db::Query& q)
{
    for (const QString& statement : statements) {
        q.setSql(substituteNames(statement, names));
        q.execute();
    }
}

}  // namespace

const QStringList& chosenInserts(const TableStep& step, const DatabaseNames& names, db::Query& q)
{
    if (step.probeColumn.isEmpty())
        return step.inserts;
    // The column list answers even when the table is empty.
    q.setSql(QStringLiteral("SELECT TOP 1 * FROM ") + quotedName(names.source) + step.sourceTable);
    q.open();
    const bool probeFound = q.hasField(step.probeColumn);
    q.close();
    return probeFound ? step.inserts : step.insertsIfAbsent;
}

void runTableStep(const TableStep& step, const DatabaseNames& names, db::Connection& cn, db::Query& q,
                  ConversionSink& sink, const StepDoneLine& doneLine)
{
    const QString sourceTable = quotedName(names.source) + step.sourceTable;
    bool counted = false;
    std::int32_t sourceRows = 0;

    inTransaction(cn, [&] {
        executeAll(step.deletes, names, q);

        q.setSql(QStringLiteral("SELECT COUNT(codigo) FROM ") + sourceTable);
        q.open();
        counted = q.hasRow();
        if (!counted)
            return;
        sourceRows = q.asInteger(0);
        sink.addLog(QStringLiteral("A converter ") + QString::number(sourceRows) + step.countLabel);
        q.close();

        executeAll(chosenInserts(step, names, q), names, q);
        executeAll(step.followUps, names, q);
    }, step.destinationTables);

    if (counted)
        sink.addLog(doneLine ? doneLine(sourceRows) : step.doneMessage);
    q.close();
    sink.progressStep();
}

}  // namespace core
