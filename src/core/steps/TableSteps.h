#pragma once

// core/steps: the conversion's steps as data, the statements made from them,
// how they run on one server or across two, and the stock document. Uses
// core/common and src/db.

#include <QString>
#include <QStringList>
#include <vector>

namespace core {

// What fills a destination column: an expression over the rows read (left
// out: the source column of the same name), or a constant, written into the
// INSERT as it stands.
struct ColumnValue {
    QString text;           // "ISNULL(familia, 0)"; "0", "''", "NULL"
    bool constant = false;
    bool tight = false;     // written with no space after the comma before it
};

// A destination column and its value; where the source table lacks the
// step's probe column, its alternative, when it has one.
struct ColumnCopy {
    QString name;
    ColumnValue value = {};
    ColumnValue withoutProbe = {};  // left out: the same value
};

// The rows of one table copied into one destination table.
struct RowCopy {
    QString destinationTable;  // "produtos", as named after "@destino.dbo."
    QString sourceTable;       // "Produtos", as named after "@origem.dbo." (or "@destino.dbo.")
    std::vector<ColumnCopy> columns = {};
    bool readsDestination = false;  // made from the destination's own rows, not the source's
    bool onlyWithProbe = false;     // not copied where the source table lacks the probe column
    // The rows read, where they are not the source table's own: a derived
    // table of the source named as the source table, "(SELECT ...) AS T".
    QString rows = {};
    bool appends = false;           // adds to the destination table's rows; empties nothing
};

// One table of the conversion: empty the tables it copies into, count the
// source rows, copy them with the values chosen by whether the source table
// has the probe column, then make the follow-ups, each into a table emptied
// just before it. Its statements are made from this (SourceStatement.h).
struct TableStep {
    QString sourceTable;          // "Clientes": counted and probed
    QString countLabel;           // appended to "A converter <n>"
    QString probeColumn;          // empty: the step has one choice only
    std::vector<RowCopy> copies;  // in order
    std::vector<RowCopy> followUps;
    QString doneMessage;
    QStringList destinationTables = {};  // what the copies and follow-ups refill, in order
};

// The eight steps, in the order they run.
const std::vector<TableStep>& tableSteps();

}  // namespace core
