#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace core {

// One table of the conversion: empty the destination table(s), count the
// source rows, and refill with one INSERT ... SELECT chosen by whether the
// source table has the probe column.
struct TableStep {
    int number;
    QStringList deletes;          // run first, in order
    QString sourceTable;          // ".dbo.Clientes", as written after the source name
    QString countLabel;           // appended to "A converter <n>"
    QString probeColumn;          // empty: the step has one choice only
    QStringList inserts;          // with the probe column, or the only choice
    QStringList insertsIfAbsent;  // without the probe column
    QStringList followUps;        // after the inserts
    QString doneMessage;
    QStringList destinationTables;  // what the step refills, as named after "@destino.dbo."
};

// The eight steps, in the order they run.
const std::vector<TableStep>& tableSteps();

}  // namespace core
