#include "core/CrossServerCopy.h"

namespace core {

namespace {

void copyAcross(db::Connection& sourceServer, db::Query& destination, const SplitStatement& split,
                const DatabaseNames& names)
{
    const std::unique_ptr<db::RowCursor> rows = sourceServer.openCursor(substituteNames(split.sourceQuery, names));
    destination.setSql(substituteNames(split.insert(), names));
    std::vector<db::ParamValue> row;
    destination.executeForEach([&] {
        if (!rows->next(row))
            return false;
        destination.setValues(row);
        return true;
    });
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
        copyAcross(*sides.sourceServer, sides.destination, *statement.acrossServers, names);
        return;
    }
    sides.destination.setSql(substituteNames(statement.sql, names));
    sides.destination.execute();
}

}  // namespace core
