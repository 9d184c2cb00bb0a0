#include "core/search/RowNamer.h"

#include "core/common/RunFailure.h"

#include <exception>

namespace core {

RowNamer::RowNamer(const SourceStatement& statement, const SourceKeys& keys, const DatabaseNames& names,
                   db::Query& source, db::Query& destination)
    : m_statement(statement), m_keys(keys), m_names(names), m_source(source),
      m_rules(destinationRules(statement.destinationTable, names, destination))
{
    for (const QString& column : statement.columns)
        m_columns.append(column.toLower());
}

QStringList RowNamer::columnLines(const Culprit& culprit)
{
    std::vector<std::pair<int, Row>> rows;
    try {
        rows = read(culprit);
    } catch (const std::exception&) {
        // Values the server cannot even select: its words for the row say more.
        m_source.close();
        return {};
    }
    QStringList out;
    for (const auto& [position, row] : rows) {
        for (int c = 0; c < m_columns.size() && c < int(row.size()); ++c) {
            const auto rule = m_rules.columns.find(m_columns[c]);
            if (rule == m_rules.columns.end())
                continue;
            if (const std::optional<QString> problem = columnProblem(rule->second, row[std::size_t(c)])) {
                out.append(label(position, row) + QStringLiteral(": ") + *problem + u'.');
                m_named.append({m_statement.sourceTable, m_keys.text(position), m_columns[c], *problem});
            }
        }
    }
    return out;
}

void RowNamer::named(const Culprit& culprit, const QString& rule, const QString& column)
{
    m_named.append({m_statement.sourceTable, codes(culprit), column, rule});
}

QString RowNamer::codes(const Culprit& culprit) const
{
    QStringList codes;
    for (const int position : culprit)
        codes.append(m_keys.text(position));
    return spokenList(codes);
}

QString RowNamer::label(const Culprit& culprit) const
{
    return QStringLiteral("%1, %2 %3")
        .arg(m_statement.sourceTable, culprit.size() == 1 ? QStringLiteral("código") : QStringLiteral("códigos"), codes(culprit));
}

QString RowNamer::label(int position, const Row& row) const
{
    QString text = label(Culprit{position});
    for (const QString& column : m_rules.primaryKey) {
        const qsizetype c = m_columns.indexOf(column);
        if (column != kSearchKey && c >= 0 && c < qsizetype(row.size()))
            text += QStringLiteral(", %1 %2").arg(column, row[std::size_t(c)].value_or(QStringLiteral("vazio")));
    }
    return text;
}

std::vector<std::pair<int, RowNamer::Row>> RowNamer::read(const Culprit& culprit)
{
    std::vector<std::pair<int, Row>> rows;
    for (const int position : culprit) {
        m_source.setSql(substituteNames(m_statement.select, m_names, m_keys.condition(setOf({position}))));
        m_source.open();
        for (; !m_source.eof(); m_source.next()) {
            Row row;
            for (int c = 0; c < m_source.fieldNames().size(); ++c)
                row.push_back(m_source.isNull(c) ? Value{} : Value{m_source.asText(c)});
            rows.emplace_back(position, std::move(row));
        }
        m_source.close();
    }
    return rows;
}

}  // namespace core
