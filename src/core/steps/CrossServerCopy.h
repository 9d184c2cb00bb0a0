#pragma once

#include "core/common/SqlNames.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace core {

// Where a step's statements go. On one server the two queries are the same
// and sourceServer is empty: every statement runs on the server alone. With
// the destination on another server, sourceServer is the source's
// connection and a statement that reads the source runs as its two-server pair.
struct StepSides {
    db::Connection& transactions;  // the destination's: each step's transaction
    db::Query& destination;        // statements that write
    db::Query& source;             // statements that only read the source
    db::Connection* sourceServer = nullptr;
    // Whether the destination takes many rows in one INSERT ... VALUES (SQL
    // Server 2008 and later); if not, rows read across go in parameter arrays.
    bool rowsInOneInsert = true;
};

// One copy of source rows into a destination table, as two servers run it.
// Database names are not yet put in (@origem / @destino, as in the step's statements).
struct SplitStatement {
    QString sourceQuery;   // "SELECT <each value read, in order> FROM @origem.dbo.T"
    QString table;         // "@destino.dbo.produtos"
    QStringList columns;   // the destination's columns, in order
    QStringList constants; // one per column: its literal as written in the step ("0", "''", "NULL",
                           // "16577500"), or an empty string where the column takes the next value read
    // "INSERT INTO <table> (<columns>) VALUES (<constant or :cN>, ...)": the parameterised form
    // the destination runs once per row read.
    QString insert() const;
};

// One statement of a step: its text for one server and, where it reads the
// source, the same copy as two servers run it.
struct StepStatement {
    QString sql;
    std::optional<SplitStatement> acrossServers;
    // Which source rows are read: a condition whose values come from the data.
    // It follows the source's SELECT in both texts (which then end at the
    // SELECT's FROM) once the database names are in, so no value in it is
    // ever taken for a name.
    QString where = {};
    QString table = {};    // the destination table it writes ("produtos"); empty for one of the transaction's own
    bool empties = false;  // a DELETE of every row of the table, not an INSERT
};

// Runs one statement of a step, with the database names put in. A statement
// that reads the source, when the source is on another server, streams the
// source's rows through the program into the destination a batch at a time,
// never the whole table.
void runStepStatement(const StepStatement& statement, const DatabaseNames& names, const StepSides& sides);

}  // namespace core
