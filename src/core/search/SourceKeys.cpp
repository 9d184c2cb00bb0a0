#include "core/search/SourceKeys.h"

#include "db/SqlLiteral.h"

#include <QStringList>
#include <exception>

namespace core {

namespace {

bool isNumberType(const QString& type)
{
    static const QStringList numbers{QStringLiteral("tinyint"), QStringLiteral("smallint"), QStringLiteral("int"),
                                     QStringLiteral("bigint"),  QStringLiteral("decimal"),  QStringLiteral("numeric"),
                                     QStringLiteral("money"),   QStringLiteral("smallmoney"), QStringLiteral("float"),
                                     QStringLiteral("real"),    QStringLiteral("bit")};
    return numbers.contains(type.trimmed().toLower());
}

}  // namespace

SourceKeys::SourceKeys(const SourceStatement& statement, const DatabaseNames& names, db::Query& q)
{
    // A column the server cannot describe is written as text, which it
    // turns into the column's type wherever that is a number.
    try {
        QString sql = substituteNames(QStringLiteral("SELECT DATA_TYPE FROM @origem.INFORMATION_SCHEMA.COLUMNS"), names,
                                      QStringLiteral("TABLE_SCHEMA = N'dbo' AND TABLE_NAME = "));
        db::appendSqlLiteral(sql, statement.sourceTable);
        sql += QStringLiteral(" AND COLUMN_NAME = ");
        db::appendSqlLiteral(sql, kSearchKey);
        q.setSql(sql);
        q.open();
        m_numeric = q.hasRow() && isNumberType(q.asText(0));
    } catch (const std::exception&) {
    }
    q.setSql(substituteNames(QStringLiteral("SELECT DISTINCT %1 FROM @origem.dbo.%2 ORDER BY %1").arg(kSearchKey, statement.sourceTable),
                             names));
    q.open();
    for (; !q.eof(); q.next()) {
        if (q.isNull(0)) {
            m_values.emplace_back();
            continue;
        }
        m_positions.insert(q.asText(0), int(m_values.size()));
        m_values.emplace_back(q.asText(0));
    }
    q.close();
}

int SourceKeys::positionOf(const Value& key) const
{
    if (!key)
        return !m_values.empty() && !m_values.front() ? 0 : -1;
    return m_positions.value(*key, -1);
}

QString SourceKeys::text(int position) const
{
    return (*this)[position].value_or(QStringLiteral("vazio"));
}

QString SourceKeys::literal(int position) const
{
    if (m_numeric)
        return (*this)[position]->trimmed();
    QString sql;
    db::appendSqlLiteral(sql, *(*this)[position]);
    return sql;
}

QString SourceKeys::condition(const KeySet& set) const
{
    QStringList parts;
    for (KeyRange range : set) {
        if (!(*this)[range.first]) {
            parts.append(kSearchKey + QStringLiteral(" IS NULL"));
            ++range.first;
        }
        if (range.first == range.last)
            parts.append(kSearchKey + QStringLiteral(" = ") + literal(range.first));
        else if (range.first < range.last)
            parts.append(QStringLiteral("%1 BETWEEN %2 AND %3").arg(kSearchKey, literal(range.first), literal(range.last)));
    }
    if (parts.isEmpty())
        return QStringLiteral("1 = 0");
    return u'(' + parts.join(QStringLiteral(" OR ")) + u')';
}

KeySet setOf(const Culprit& culprit)
{
    KeySet set;
    for (const int position : culprit)
        set.push_back({position, position});
    return set;
}

}  // namespace core
