#include "core/steps/SourceStatement.h"

namespace core {

SourceStatement::SourceStatement(const RowCopy& copy, bool probeFound)
    : destinationTable(copy.destinationTable), sourceTable(copy.sourceTable)
{
    QString list;
    SplitStatement split{QStringLiteral("@destino.dbo.") + destinationTable};
    for (const ColumnCopy& column : copy.columns) {
        const ColumnValue& value = probeFound || column.withoutProbe.text.isEmpty() ? column.value : column.withoutProbe;
        const QString text = value.text.isEmpty() ? column.name : value.text;
        list += (columns.isEmpty() ? QString() : value.tight ? QStringLiteral(",") : QStringLiteral(", ")) + text;
        columns.append(column.name);
        values.append(text);
        split.constant.append(value.constant);
    }
    from = copy.rows.isEmpty()
               ? QStringLiteral(" FROM %1.dbo.%2").arg(QLatin1String(copy.readsDestination ? "@destino" : "@origem"), sourceTable)
               : QStringLiteral(" FROM ") + copy.rows;
    select = QStringLiteral("SELECT ") + list + from;
    if (!copy.readsDestination) {
        split.columns = columns;
        split.values = values;
        split.rows = from;
        m_acrossServers = split;
    }
}

StepStatement SourceStatement::insert() const
{
    return insertWhere(QString());
}

StepStatement SourceStatement::insertWhere(const QString& condition) const
{
    const QString into = QStringLiteral("INSERT INTO @destino.dbo.%1 (%2) ").arg(destinationTable, columns.join(QStringLiteral(", ")));
    // Every row: in parentheses, as it has always been sent. Some rows: the
    // condition follows the SELECT, so the text ends there.
    if (condition.isEmpty())
        return {into + u'(' + select + u')', m_acrossServers, {}, destinationTable};
    return {into + select, m_acrossServers, condition, destinationTable};
}

namespace {

StepStatement deleteFrom(const QString& table)
{
    return {QStringLiteral("DELETE FROM @destino.dbo.") + table, std::nullopt, {}, table, true};
}

}  // namespace

std::vector<StepStatement> deletesOf(const TableStep& step)
{
    std::vector<StepStatement> deletes;
    for (const RowCopy& copy : step.copies) {
        if (!copy.appends)
            deletes.push_back(deleteFrom(copy.destinationTable));
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
