#include "core/steps/CrossServerCopy.h"

#include "db/SqlLiteral.h"

namespace core {

namespace {

// Rows in one INSERT ... VALUES: SQL Server's limit for one list.
constexpr int kRowsPerInsert = 1000;
// Characters after which an INSERT goes with fewer rows, so long values never pile up.
constexpr qsizetype kInsertCharacters = 4 * 1024 * 1024;

// Parameter arrays: the way every server and driver takes, one execution per row.
void copyInArrays(db::RowCursor& rows, db::Query& destination, const SplitStatement& split, const DatabaseNames& names)
{
    destination.setSql(substituteNames(split.insert(), names));
    std::vector<db::ParamValue> row;
    destination.executeForEach([&] {
        if (!rows.next(row))
            return false;
        destination.setValues(row);
        return true;
    });
}

// Many rows in one INSERT, each value written as its exact literal: the
// server parses a statement once for a thousand rows, where it parses a
// parameter array's statement once a row. The step's constants stand once in
// the SELECT, not in every row: the server's work grows with the values.
void copyInLiterals(db::RowCursor& rows, db::Query& destination, const SplitStatement& split,
                    const DatabaseNames& names)
{
    const QString head = substituteNames(QStringLiteral("INSERT INTO ") + split.table + QStringLiteral(" (") +
                                             split.columns.join(QStringLiteral(", ")) + QStringLiteral(") SELECT "),
                                         names);
    std::vector<db::ParamValue> row;
    QString values;
    bool more = rows.next(row);
    while (more) {
        // A column of the VALUES that is NULL in every row is typed int,
        // which a date or time column refuses: the SELECT writes a bare NULL.
        std::vector<bool> valued(row.size(), false);
        values.clear();
        for (int count = 0; more && count < kRowsPerInsert && values.size() < kInsertCharacters; ++count) {
            values += count == 0 ? QStringLiteral("(") : QStringLiteral(", (");
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c > 0)
                    values += QStringLiteral(", ");
                valued[c] = valued[c] || !std::holds_alternative<std::monostate>(row[c]);
                db::appendSqlLiteral(values, row[c]);
            }
            values += u')';
            more = rows.next(row);
        }
        QStringList selected;
        QStringList read;
        for (const QString& constant : split.constants) {
            if (!constant.isEmpty()) {
                selected.append(constant);
                continue;
            }
            read.append(QStringLiteral("c%1").arg(read.size() + 1));
            selected.append(valued[std::size_t(read.size() - 1)] ? QStringLiteral("v.") + read.back()
                                                                  : QStringLiteral("NULL"));
        }
        destination.setSql(head + selected.join(QStringLiteral(", ")) + QStringLiteral(" FROM (VALUES ") + values +
                           QStringLiteral(") AS v (") + read.join(QStringLiteral(", ")) + u')');
        destination.execute();
    }
}

void copyAcross(db::Connection& sourceServer, db::Query& destination, const SplitStatement& split,
                const QString& where, const DatabaseNames& names, bool rowsInOneInsert)
{
    const std::unique_ptr<db::RowCursor> rows = sourceServer.openCursor(substituteNames(split.sourceQuery, names, where));
    if (rowsInOneInsert)
        copyInLiterals(*rows, destination, split, names);
    else
        copyInArrays(*rows, destination, split, names);
}

}  // namespace

QString SplitStatement::insert() const
{
    QStringList values;
    int read = 0;
    for (const QString& constant : constants)
        values.append(constant.isEmpty() ? QStringLiteral(":c%1").arg(++read) : constant);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

void runStepStatement(const StepStatement& statement, const DatabaseNames& names, const StepSides& sides)
{
    if (sides.sourceServer && statement.acrossServers) {
        copyAcross(*sides.sourceServer, sides.destination, *statement.acrossServers, statement.where, names,
                   sides.rowsInOneInsert);
        return;
    }
    sides.destination.setSql(substituteNames(statement.sql, names, statement.where));
    sides.destination.execute();
}

}  // namespace core
