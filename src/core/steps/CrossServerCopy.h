#pragma once

#include "core/common/SqlNames.h"
#include "core/steps/BulkTargets.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/RowCursor.h"

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
    // The destination's tables that rows read across go into by bulk load;
    // none: every row goes by INSERT.
    const BulkTargets* bulk = nullptr;
};

// One copy of source rows into a destination table, as two servers run it.
// Database names are not yet put in (@origem / @destino, as in the step's statements).
struct SplitStatement {
    QString table;               // "@destino.dbo.produtos"
    QStringList columns = {};    // the destination's columns, in order
    QStringList values = {};     // one per column, as the step writes it: an expression over the
                                 // rows read ("ISNULL(familia, 0)") or a constant ("0", "''", "NULL")
    QList<bool> constant = {};   // one per column: whether its value is a constant
    QString rows = {};           // " FROM @origem.dbo.T": the rows read (a statement's condition follows)

    // "SELECT <each value that is not a constant> <rows>"
    QString sourceQuery() const;
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

// The rows a copy by bulk load reads from the source's server where
// condition holds: the values in the table's column order, each cast there to
// its column's type (the step's constants read once).
std::unique_ptr<db::RowCursor> openBulkRows(db::Connection& source, const SplitStatement& split, const BulkPlan& plan,
                                            const DatabaseNames& names, const QString& condition = {});

// Runs one statement of a step, with the database names put in. A statement
// that reads the source, when the source is on another server, streams the
// source's rows through the program into the destination, never the whole
// table: by bulk load where the destination's table takes it, each value
// read cast to its column's type; otherwise a batch of rows at a time.
void runStepStatement(const StepStatement& statement, const DatabaseNames& names, const StepSides& sides);

}  // namespace core
