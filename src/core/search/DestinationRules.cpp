#include "core/search/DestinationRules.h"

#include "db/SqlLiteral.h"

#include <exception>

namespace core {

namespace {

// One statement's text: the names put in first, then the table's name as a literal.
QString aboutTable(const QString& statement, const QString& condition, const QString& table, const DatabaseNames& names)
{
    QString sql = substituteNames(statement, names, condition);
    db::appendSqlLiteral(sql, table);
    return sql;
}

void readColumns(TableRules& rules, const QString& table, const DatabaseNames& names, db::Query& q)
{
    q.setSql(aboutTable(QStringLiteral("SELECT COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, "
                                       "IS_NULLABLE FROM @destino.INFORMATION_SCHEMA.COLUMNS"),
                        QStringLiteral("TABLE_SCHEMA = N'dbo' AND TABLE_NAME = "), table, names));
    q.open();
    for (; !q.eof(); q.next()) {
        const ColumnRule rule{q.asText(0), q.asText(1).toLower(), q.asInteger(2), q.asInteger(3), q.asInteger(4),
                              q.asText(5).trimmed().compare(u"NO", Qt::CaseInsensitive) != 0};
        rules.columns[rule.name.toLower()] = rule;
    }
    q.close();
}

void readKeys(TableRules& rules, const QString& table, const DatabaseNames& names, db::Query& q)
{
    q.setSql(aboutTable(
        QStringLiteral("SELECT i.index_id, i.is_primary_key, i.has_filter, i.filter_definition, c.name, ty.name, c.max_length, "
                       "c.precision, c.scale, c.collation_name, c.is_nullable "
                       "FROM @destino.sys.indexes i "
                       "JOIN @destino.sys.tables t ON t.object_id = i.object_id "
                       "JOIN @destino.sys.schemas s ON s.schema_id = t.schema_id "
                       "JOIN @destino.sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id "
                       "JOIN @destino.sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id "
                       "JOIN @destino.sys.types ty ON ty.user_type_id = c.system_type_id"),
        QStringLiteral("i.is_unique = 1 AND i.is_disabled = 0 AND i.is_hypothetical = 0 AND i.ignore_dup_key = 0 AND ic.key_ordinal > 0 "
                       "AND s.name = N'dbo' AND t.name = "),
        table, names) + QStringLiteral(" ORDER BY i.index_id, ic.key_ordinal"));
    q.open();
    int index = -1;
    for (; !q.eof(); q.next()) {
        if (q.asInteger(0) != index) {
            index = q.asInteger(0);
            UniqueKey key;
            key.primary = q.asInteger(1) != 0;
            if (q.asInteger(2) != 0)
                key.filter = q.asText(3);
            rules.uniqueKeys.push_back(key);
        }
        const KeyColumn column{q.asText(4).toLower(), q.asText(5).toLower(), q.asInteger(6), q.asInteger(7), q.asInteger(8),
                               q.isNull(9) ? QString() : q.asText(9), q.asInteger(10) != 0};
        rules.uniqueKeys.back().columns.push_back(column);
        if (rules.uniqueKeys.back().primary)
            rules.primaryKey.append(column.name);
    }
    q.close();
}

}  // namespace

TableRules destinationRules(const QString& table, const DatabaseNames& names, db::Query& q)
{
    TableRules rules;
    try {
        readColumns(rules, table, names, q);
    } catch (const std::exception&) {
        rules.columns.clear();
    }
    try {
        readKeys(rules, table, names, q);
    } catch (const std::exception&) {
        rules.uniqueKeys.clear();
        rules.primaryKey.clear();
    }
    q.close();
    return rules;
}

}  // namespace core
