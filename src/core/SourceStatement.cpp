#include "core/SourceStatement.h"

#include <algorithm>

namespace core {

SourceStatement::SourceStatement(const RowCopy& copy, bool probeFound)
    : destinationTable(copy.destinationTable), sourceTable(copy.sourceTable)
{
    SplitStatement split{{}, QStringLiteral("@destino.dbo.") + destinationTable, {}, {}};
    QString values;
    QStringList read;
    for (const ColumnCopy& column : copy.columns) {
        const ColumnValue& value = probeFound || column.withoutProbe.text.isEmpty() ? column.value : column.withoutProbe;
        const QString text = value.text.isEmpty() ? column.name : value.text;
        if (!columns.isEmpty())
            values += value.tight ? QStringLiteral(",") : QStringLiteral(", ");
        values += text;
        columns.append(column.name);
        split.constants.append(value.constant ? text : QString());
        if (!value.constant)
            read.append(text);
    }
    const QString from = QStringLiteral(" FROM %1.dbo.%2")
                             .arg(copy.readsDestination ? QStringLiteral("@destino") : QStringLiteral("@origem"), sourceTable);
    select = QStringLiteral("SELECT ") + values + from;
    if (!copy.readsDestination) {
        split.sourceQuery = QStringLiteral("SELECT ") + read.join(QStringLiteral(", ")) + from;
        split.columns = columns;
        m_acrossServers = std::move(split);
    }
}

StepStatement SourceStatement::insert() const
{
    return insertAll(QString());
}

StepStatement SourceStatement::insertWhere(const QString& condition) const
{
    return insertAll(QStringLiteral(" WHERE ") + condition);
}

QString SourceStatement::selectWhere(const QString& condition) const
{
    return select + QStringLiteral(" WHERE ") + condition;
}

StepStatement SourceStatement::insertAll(const QString& where) const
{
    StepStatement statement{QStringLiteral("INSERT INTO @destino.dbo.%1 (%2) (%3%4)")
                                .arg(destinationTable, columns.join(QStringLiteral(", ")), select, where),
                            m_acrossServers};
    if (statement.acrossServers)
        statement.acrossServers->sourceQuery += where;
    return statement;
}

namespace {

StepStatement deleteFrom(const QString& table)
{
    return {QStringLiteral("DELETE FROM @destino.dbo.") + table, std::nullopt};
}

}  // namespace

std::vector<StepStatement> deletesOf(const TableStep& step)
{
    std::vector<StepStatement> deletes;
    for (const QString& table : step.destinationTables) {
        // A table a follow-up makes is emptied just before it.
        if (std::none_of(step.followUps.begin(), step.followUps.end(),
                         [&](const RowCopy& followUp) { return followUp.destinationTable == table; }))
            deletes.push_back(deleteFrom(table));
    }
    return deletes;
}

std::vector<SourceStatement> insertsOf(const TableStep& step, bool probeFound)
{
    std::vector<SourceStatement> inserts;
    for (const RowCopy& copy : step.copies) {
        if (probeFound || !copy.onlyWithProbe)
            inserts.emplace_back(copy, probeFound);
    }
    return inserts;
}

std::vector<StepStatement> followUpsOf(const TableStep& step)
{
    std::vector<StepStatement> statements;
    for (const RowCopy& followUp : step.followUps) {
        statements.push_back(deleteFrom(followUp.destinationTable));
        statements.push_back(SourceStatement(followUp, true).insert());
    }
    return statements;
}

}  // namespace core
