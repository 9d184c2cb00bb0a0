#include "core/search/RepeatedKeys.h"

#include "core/common/RunFailure.h"
#include "db/DbError.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace core {

namespace {

// How a key column's values are compared: in its type and, for text, its
// collation. Text is compared whole, never cut to the column's length (a
// value too long is refused for that).
struct Comparison {
    QString type;
    QString collation;
};

std::optional<Comparison> comparison(const KeyColumn& column)
{
    static const QStringList plain{"tinyint", "smallint", "int", "bigint", "bit", "money", "smallmoney", "float", "real",
                                   "date", "datetime", "smalldatetime", "uniqueidentifier"};
    static const QStringList text{"char", "varchar", "nchar", "nvarchar"};
    static const QRegularExpression collationName(QStringLiteral("^[A-Za-z0-9_]+$"));
    const QString& type = column.type;
    if (plain.contains(type))
        return Comparison{type, {}};
    if (type == u"decimal" || type == u"numeric")
        return Comparison{QStringLiteral("decimal(%1, %2)").arg(column.precision).arg(column.scale), {}};
    if (type == u"datetime2" || type == u"time" || type == u"datetimeoffset")
        return Comparison{QStringLiteral("%1(%2)").arg(type).arg(column.scale), {}};
    if (type == u"varbinary")
        return Comparison{QStringLiteral("varbinary(max)"), {}};
    if (type == u"binary" && column.maxLength > 0)
        return Comparison{QStringLiteral("binary(%1)").arg(column.maxLength), {}};
    // A collation is a name of the server's own; anything else is not one.
    if (text.contains(type) && (column.collation.isEmpty() || collationName.match(column.collation).hasMatch()))
        return Comparison{QStringLiteral("nvarchar(max)"), column.collation};
    return std::nullopt;
}

// One statement over the source rows: for each row whose key value another
// row shares, its group, its key, how many share the value, and the value.
// Empty when the key cannot be compared so.
QString sharedValuesQuery(const SourceStatement& statement, const UniqueKey& key, const DatabaseNames& names, int rowLimit)
{
    QStringList compared;  // the key's columns, as the statement names them
    QStringList values;
    for (const KeyColumn& column : key.columns) {
        // Key columns are named in lower case, as the statements name theirs.
        const qsizetype c = statement.columns.indexOf(column.name);
        const std::optional<Comparison> as = comparison(column);
        if (c < 0 || !as)
            return {};
        compared.append(quotedName(statement.columns[c]));
        values.append(QStringLiteral("CAST(%1 AS %2)").arg(statement.values[c], as->type) +
                      (as->collation.isEmpty() ? QString() : QStringLiteral(" COLLATE ") + as->collation) +
                      QStringLiteral(" AS ") + compared.last());
    }
    // The filter names the destination's columns: every one of the statement's is there.
    if (!key.filter.isEmpty()) {
        for (qsizetype c = 0; c < statement.columns.size(); ++c) {
            if (!compared.contains(quotedName(statement.columns[c])))
                values.append(statement.values[c] + QStringLiteral(" AS ") + quotedName(statement.columns[c]));
        }
    }
    QStringList held;  // a NULL in a column that takes none is refused for that
    for (qsizetype k = 0; k < compared.size(); ++k) {
        if (!key.columns[std::size_t(k)].nullable)
            held.append(compared[k] + QStringLiteral(" IS NOT NULL"));
    }
    if (!key.filter.isEmpty())
        held.append(u'(' + key.filter + u')');
    const QString list = compared.join(QStringLiteral(", "));
    // The groups in the order of their first key, as the tries would find them.
    return QStringLiteral("SELECT DISTINCT TOP (%1) kovara_grupo, kovara_codigo, kovara_linhas, %2, kovara_primeiro FROM (SELECT "
                          "kovara_codigo, %2, COUNT(*) OVER (PARTITION BY %2) AS kovara_linhas, MIN(kovara_codigo) OVER (PARTITION BY "
                          "%2) AS kovara_primeiro, DENSE_RANK() OVER (ORDER BY %2) AS kovara_grupo FROM (")
               .arg(rowLimit)
               .arg(list) +
           substituteNames(QStringLiteral("SELECT %1 AS kovara_codigo, ").arg(kSearchKey) + values.join(QStringLiteral(", ")) +
                               statement.from,
                           names) +
           QStringLiteral(") AS kovara_valores") + (held.isEmpty() ? QString() : QStringLiteral(" WHERE ") + held.join(QStringLiteral(" AND "))) +
           QStringLiteral(") AS kovara_grupos WHERE kovara_linhas > 1 ORDER BY kovara_primeiro, kovara_grupo, kovara_codigo");
}

}  // namespace

RepeatedValues repeatedValues(const SourceStatement& statement, const std::vector<UniqueKey>& keys,
                              const SourceKeys& sourceKeys, const DatabaseNames& names, db::Query& source,
                              int keyLimit)
{
    RepeatedValues out;
    // Rows enough to fill the limit with groups, and to see that more follow.
    const int rowLimit = 4 * keyLimit + 1;
    for (const UniqueKey& key : keys) {
        if (out.keysFound >= keyLimit) {
            out.complete = false;
            break;
        }
        const QString sql = sharedValuesQuery(statement, key, names, rowLimit);
        if (sql.isEmpty())
            continue;
        QStringList columns;
        for (const KeyColumn& column : key.columns)
            columns.append(column.name);
        std::vector<RepeatedValue> found;
        try {
            source.setSql(sql);
            source.open();
            int group = -1;
            for (; !source.eof(); source.next()) {
                if (source.asInteger(0) != group) {
                    group = source.asInteger(0);
                    QStringList value;
                    for (int c = 0; c < columns.size(); ++c)
                        value.append(columns[c] + u' ' +
                                     (source.isNull(3 + c) ? QStringLiteral("vazio") : source.asText(3 + c).trimmed()));
                    found.push_back({{}, source.asInteger(2), columns.join(QStringLiteral(", ")), spokenList(value)});
                }
                const int position = sourceKeys.positionOf(source.isNull(1) ? Value{} : Value{source.asText(1)});
                // A value every row shares (a constant) names no more rows than the limit.
                Culprit& culprit = found.back().culprit;
                if (position >= 0 && int(culprit.size()) < keyLimit &&
                    std::find(culprit.begin(), culprit.end(), position) == culprit.end())
                    culprit.push_back(position);
            }
            if (source.rowCount() >= rowLimit)
                out.complete = false;
            source.close();
        } catch (const db::DbError&) {
            // A value that does not convert, a collation the source's server lacks: the tries find these rows.
            source.close();
            continue;
        }
        for (RepeatedValue& value : found) {
            if (value.culprit.empty())
                continue;
            if (out.keysFound >= keyLimit) {
                out.complete = false;
                break;
            }
            std::sort(value.culprit.begin(), value.culprit.end());
            out.keysFound += int(value.culprit.size());
            out.found.push_back(std::move(value));
        }
    }
    std::stable_sort(out.found.begin(), out.found.end(),
                     [](const RepeatedValue& a, const RepeatedValue& b) { return a.culprit.front() < b.culprit.front(); });
    return out;
}

}  // namespace core
