#include "core/search/BadRows.h"

#include "core/common/RunFailure.h"
#include "core/search/RowProblems.h"
#include "core/search/RowSearch.h"
#include "core/steps/TableCopy.h"

#include <QElapsedTimer>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace core {

namespace {

// Questions asked of the server per source table at most, so a search that
// cannot narrow (a server that fails at random) still ends.
constexpr int kTryLimit = 2000;
// The longest a search goes on, over all the statements of a step, so that
// rows that are slow to narrow (many repeats across keys, a huge table on a
// server that ends the transaction at every refusal) never keep the
// technician waiting long; what is found by then is named.
constexpr qint64 kSearchMilliseconds = 5 * 60 * 1000;

const QString kKey = QStringLiteral("codigo");

using Value = std::optional<QString>;
using Row = std::vector<Value>;

// A source table's keys in the server's own order, a NULL key, if any,
// first; and how one is written in a condition. Text keys are written as
// text, so that the server never turns the column into numbers (where "A1"
// fails every try) nor takes "007" for "7".
struct SourceKeys {
    std::vector<Value> values;
    bool numeric = false;

    std::size_t size() const { return values.size(); }
    const Value& operator[](std::size_t i) const { return values[i]; }
    QString literal(std::size_t i) const
    {
        if (numeric)
            return values[i]->trimmed();
        return QStringLiteral("N'") + QString(*values[i]).replace(u'\'', QStringLiteral("''")) + u'\'';
    }
};

bool isNumberType(const QString& type)
{
    static const QStringList numbers{QStringLiteral("tinyint"), QStringLiteral("smallint"), QStringLiteral("int"),
                                     QStringLiteral("bigint"),  QStringLiteral("decimal"),  QStringLiteral("numeric"),
                                     QStringLiteral("money"),   QStringLiteral("smallmoney"), QStringLiteral("float"),
                                     QStringLiteral("real"),    QStringLiteral("bit")};
    return numbers.contains(type.trimmed().toLower());
}

SourceKeys sourceKeys(const SourceStatement& statement, const DatabaseNames& names, db::Query& q)
{
    SourceKeys keys;
    // A column the server cannot describe is written as text, which it
    // turns into the column's type wherever that is a number.
    try {
        q.setSql(substituteNames(QStringLiteral("SELECT DATA_TYPE FROM @origem.INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = 'dbo' "
                                                "AND TABLE_NAME = '%1' AND COLUMN_NAME = '%2'")
                                     .arg(statement.sourceTable, kKey),
                                 names));
        q.open();
        keys.numeric = q.hasRow() && isNumberType(q.asText(0));
    } catch (const std::exception&) {
    }
    q.setSql(substituteNames(QStringLiteral("SELECT DISTINCT %1 FROM @origem.dbo.%2 ORDER BY %1").arg(kKey, statement.sourceTable),
                             names));
    q.open();
    for (; !q.eof(); q.next())
        keys.values.push_back(q.isNull(0) ? Value{} : Value{q.asText(0)});
    q.close();
    return keys;
}

QString condition(const SourceKeys& keys, const KeySet& set)
{
    QStringList parts;
    for (KeyRange range : set) {
        if (!keys[std::size_t(range.first)]) {
            parts.append(kKey + QStringLiteral(" IS NULL"));
            ++range.first;
        }
        if (range.first == range.last)
            parts.append(kKey + QStringLiteral(" = ") + keys.literal(std::size_t(range.first)));
        else if (range.first < range.last)
            parts.append(QStringLiteral("%1 BETWEEN %2 AND %3")
                             .arg(kKey, keys.literal(std::size_t(range.first)), keys.literal(std::size_t(range.last))));
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

struct TableRules {
    std::map<QString, ColumnRule> columns;  // by lower-case name
    std::vector<QStringList> uniqueKeys;
    QStringList primaryKey;
};

TableRules destinationRules(const QString& table, const DatabaseNames& names, db::Query& q)
{
    TableRules rules;
    try {
    q.setSql(substituteNames(
        QStringLiteral("SELECT COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, IS_NULLABLE "
                       "FROM @destino.INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = 'dbo' AND TABLE_NAME = '%1'")
            .arg(table),
        names));
    q.open();
    for (; !q.eof(); q.next()) {
        const ColumnRule rule{q.asText(0), q.asText(1).toLower(), q.asInteger(2), q.asInteger(3), q.asInteger(4),
                              q.asText(5).trimmed().compare(u"NO", Qt::CaseInsensitive) != 0};
        rules.columns[rule.name.toLower()] = rule;
    }
    q.setSql(substituteNames(
        QStringLiteral("SELECT c.CONSTRAINT_NAME, c.CONSTRAINT_TYPE, k.COLUMN_NAME "
                       "FROM @destino.INFORMATION_SCHEMA.TABLE_CONSTRAINTS c "
                       "JOIN @destino.INFORMATION_SCHEMA.KEY_COLUMN_USAGE k "
                       "ON k.CONSTRAINT_NAME = c.CONSTRAINT_NAME AND k.TABLE_SCHEMA = c.TABLE_SCHEMA AND k.TABLE_NAME = c.TABLE_NAME "
                       "WHERE c.TABLE_SCHEMA = 'dbo' AND c.TABLE_NAME = '%1' AND c.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') "
                       "ORDER BY c.CONSTRAINT_NAME, k.ORDINAL_POSITION")
            .arg(table),
        names));
    q.open();
    QString constraint;
    for (; !q.eof(); q.next()) {
        if (q.asText(0) != constraint) {
            constraint = q.asText(0);
            rules.uniqueKeys.emplace_back();
        }
        rules.uniqueKeys.back().append(q.asText(2).toLower());
        if (q.asText(1).trimmed() == u"PRIMARY KEY")
            rules.primaryKey.append(q.asText(2).toLower());
    }
    } catch (const std::exception&) {
        // Without the rules, each row is named with the server's words instead.
        rules = {};
    }
    q.close();
    return rules;
}

// Names a row or a pair of rows of one source table, and what is wrong with them.
class RowNamer {
public:
    RowNamer(const SourceStatement& statement, const SourceKeys& keys, const DatabaseNames& names,
             db::Query& source, db::Query& destination)
        : m_statement(statement), m_keys(keys), m_names(names), m_source(source),
          m_rules(destinationRules(statement.destinationTable, names, destination))
    {
        for (const QString& column : statement.columns)
            m_columns.append(column.toLower());
    }

    // The lines for culprit; none when the rules show nothing wrong.
    QStringList lines(const Culprit& culprit)
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
                    m_named.append({m_statement.sourceTable, keyText(position), m_columns[c], *problem});
                }
            }
        }
        out.append(repeatedKeys(culprit, rows));
        return out;
    }

    QString label(const Culprit& culprit) const
    {
        if (culprit.size() == 1)
            return QStringLiteral("%1, código %2").arg(m_statement.sourceTable, keyText(culprit[0]));
        return QStringLiteral("%1, códigos %2 e %3").arg(m_statement.sourceTable, keyText(culprit[0]), keyText(culprit[1]));
    }

    // The rows named since last asked, as facts.
    QList<BadRowFacts> takeNamed() { return std::exchange(m_named, {}); }
    BadRowFacts fact(const Culprit& culprit, const QString& rule) const
    {
        QStringList codes;
        for (const int position : culprit)
            codes.append(keyText(position));
        return {m_statement.sourceTable, codes.join(QStringLiteral(" e ")), {}, rule};
    }

private:
    QString keyText(int position) const
    {
        const Value& key = m_keys[std::size_t(position)];
        return key ? *key : QStringLiteral("vazio");
    }

    QString label(int position, const Row& row) const
    {
        QString text = QStringLiteral("%1, código %2").arg(m_statement.sourceTable, keyText(position));
        for (const QString& column : m_rules.primaryKey) {
            const qsizetype c = m_columns.indexOf(column);
            if (column != kKey && c >= 0 && c < qsizetype(row.size()))
                text += QStringLiteral(", %1 %2").arg(column, row[std::size_t(c)].value_or(QStringLiteral("vazio")));
        }
        return text;
    }

    std::vector<std::pair<int, Row>> read(const Culprit& culprit)
    {
        std::vector<std::pair<int, Row>> rows;
        for (const int position : culprit) {
            m_source.setSql(substituteNames(m_statement.selectWhere(condition(m_keys, setOf({position}))), m_names));
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

    // Rows of the culprit that give a unique key of the destination the same value.
    QStringList repeatedKeys(const Culprit& culprit, const std::vector<std::pair<int, Row>>& rows)
    {
        QStringList out;
        for (const QStringList& key : m_rules.uniqueKeys) {
            std::map<QStringList, int> seen;
            for (const auto& [position, row] : rows) {
                QStringList value;
                for (const QString& column : key) {
                    const qsizetype c = m_columns.indexOf(column);
                    if (c < 0 || c >= qsizetype(row.size()) || !row[std::size_t(c)])
                        break;
                    value.append(QStringLiteral("%1 %2").arg(column, row[std::size_t(c)]->trimmed()));
                }
                if (value.size() == key.size())
                    ++seen[value];
            }
            for (const auto& [value, count] : seen) {
                if (count < 2)
                    continue;
                const QString what = value.join(QStringLiteral(" e "));
                const QString rule = culprit.size() == 1
                                         ? QStringLiteral("há %1 registos com %2; no destino não se pode repetir").arg(count).arg(what)
                                         : QStringLiteral("os dois têm %1; no destino não se pode repetir").arg(what);
                out.append(label(culprit) + QStringLiteral(": ") + rule + u'.');
                m_named.append(fact(culprit, rule));
                m_named.last().column = key.join(QStringLiteral(", "));
            }
        }
        return out;
    }

    const SourceStatement& m_statement;
    const SourceKeys& m_keys;
    const DatabaseNames& m_names;
    db::Query& m_source;
    TableRules m_rules;
    QStringList m_columns;
    QList<BadRowFacts> m_named;
};

// What is left unnamed when the search could not name every row.
QString incompleteLine(const QString& table, const SearchResult& result)
{
    if (!result.culprits.empty())
        return QStringLiteral("%1: pode haver mais registos que o destino recusa; corrija estes e volte a tentar.").arg(table);
    if (result.limited)
        return QStringLiteral("%1: o destino recusa registos, mas a procura parou antes de chegar a algum.").arg(table);
    // A rule over three rows or more, such as a trigger that allows at most two.
    return QStringLiteral("%1: o destino recusa estes registos juntos, mas nenhum sozinho nem dois juntos; "
                          "não é possível dizer quais.").arg(table);
}

QStringList allRows(std::size_t count)
{
    return QStringList(qsizetype(count), QStringLiteral("1 = 0"));
}

}  // namespace

void nameBadRows(StepTrial& trial, const DatabaseNames& names, db::Query& source, db::Query& destination,
                 ConversionSink& sink)
{
    const std::vector<SourceStatement>& statements = trial.statements();
    const QStringList noRows = allRows(statements.size());
    // A step that fails with no rows at all fails for another reason: a
    // missing table or column, a refused permission, a lost connection.
    if (trial.attempt(noRows))
        return;

    QStringList before;  // the conditions of the statements already searched: all their rows but the bad ones
    QElapsedTimer searching;
    searching.start();
    const std::function<bool()> outOfTime = [&] { return searching.hasExpired(kSearchMilliseconds); };
    for (const SourceStatement& statement : statements) {
        const SourceKeys keys = sourceKeys(statement, names, source);
        bool announced = false;
        const SearchResult result = findFailingKeys(
            int(keys.size()),
            [&](const KeySet& set) {
                const bool fails = trial.attempt(before + QStringList{condition(keys, set)}).has_value();
                if (fails && !announced) {
                    sink.addLog(QStringLiteral("A procurar em %1 os registos que o destino recusa...").arg(statement.sourceTable));
                    announced = true;
                }
                return fails;
            },
            kNamedRowLimit, kTryLimit, outOfTime);

        // Every try failing, down to single rows, is a server that stopped answering, not bad rows.
        if (!result.culprits.empty() && trial.attempt(noRows))
            return;

        if (result.culprits.empty() && result.complete) {
            before.append(QStringLiteral("1 = 1"));
            continue;
        }
        RowNamer namer(statement, keys, names, source, destination);
        for (const Culprit& culprit : result.culprits) {
            QStringList lines = namer.lines(culprit);
            if (lines.isEmpty()) {
                const QStringList alone = before + QStringList{condition(keys, setOf(culprit))};
                const QString told = trial.attempt(alone).value_or(QString());
                lines.append(QStringLiteral("%1: o destino recusa %2: %3")
                                 .arg(namer.label(culprit), culprit.size() == 1 ? QStringLiteral("este registo")
                                                                                : QStringLiteral("os dois juntos"),
                                      told));
                sink.badRowNamed(namer.fact(culprit, told));
            }
            for (const QString& line : lines)
                sink.addLog(line);
            for (const BadRowFacts& named : namer.takeNamed())
                sink.badRowNamed(named);
        }
        if (!result.complete)
            sink.addLog(incompleteLine(statement.sourceTable, result));
        // Later statements are tried after this one, which must then go through.
        if (!result.complete)
            return;
        before.append(condition(keys, allBut(int(keys.size()), result.culprits)));
    }
}

SearchEnd nameBadRows(const TableStep& step, const DatabaseNames& names, const StepSides& sides, ConversionSink& sink)
{
    SearchEnd end;
    std::optional<SidesStepTrial> trial;
    try {
        // A rollback that could not be told apart from a commit drops the session.
        sides.transactions.open();
        trial.emplace(step, chosenInserts(step, names, sides.source), names, sides);
    } catch (const std::exception&) {
        // The failure that led here has been told; a search that cannot start adds nothing to it.
    }
    if (trial) {
        try {
            nameBadRows(*trial, names, sides.source, sides.destination, sink);
            trial->finish();
        } catch (const db::TransactionLost& lost) {
            end.stopped = true;
            trial->finish();
            logFailure(sink, rolledBack(lost, trial->touched(), trial->undone()));
        } catch (const std::exception&) {
            // As above, for a search cut short.
            trial->finish();
        }
        end.undone = trial->undone();
        end.leftBehind = trial->leftBehind();
    }
    sides.source.close();
    sides.destination.close();
    return end;
}

}  // namespace core
