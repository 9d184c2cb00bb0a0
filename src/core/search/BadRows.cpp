#include "core/search/BadRows.h"

#include "core/common/RunFailure.h"
#include "core/search/RepeatedKeys.h"
#include "core/search/RowNamer.h"
#include "core/search/RowSearch.h"
#include "core/search/SourceKeys.h"
#include "core/steps/TableCopy.h"

#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace core {

namespace {

// Questions asked of the server per source table at most, so a search that
// cannot narrow (a server that fails at random) still ends.
constexpr int kTryLimit = 2000;
// The longest a search goes on, over all the statements of a step, so that
// rows that are slow to narrow (a huge table on a server that ends the
// transaction at every refusal) never keep the technician waiting long;
// what is found by then is named.
constexpr std::chrono::minutes kSearchTime{5};

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

QString repeatedLine(const RepeatedValue& repeated)
{
    const QString rule = repeated.culprit.size() == 2 && repeated.rows == 2
                             ? QStringLiteral("os dois têm %1").arg(repeated.value)
                             : QStringLiteral("há %1 registos com %2").arg(repeated.rows).arg(repeated.value);
    return rule + QStringLiteral("; no destino não se pode repetir");
}

// The rows of one statement that the destination refuses: first those that
// share a value of a unique key, which the source's server finds at once;
// then, by tries, the rows that break what no key explains.
class StatementSearch {
public:
    StatementSearch(StepTrial& trial, const SourceStatement& statement, const QStringList& before,
                    const DatabaseNames& names, db::Query& source, db::Query& destination, ConversionSink& sink,
                    const std::function<bool()>& outOfTime)
        : m_trial(trial), m_statement(statement), m_before(before), m_sink(sink), m_outOfTime(outOfTime),
          m_keys(statement, names, source), m_namer(statement, m_keys, names, source, destination)
    {
        m_repeated = repeatedValues(statement, m_namer.rules().uniqueKeys, m_keys, names, source, kNamedRowLimit);
    }

    // The culprits, those that share a key's value first; then those the tries found.
    SearchResult run()
    {
        std::vector<Culprit> shared;
        for (const RepeatedValue& repeated : m_repeated.found)
            shared.push_back(repeated.culprit);
        if (!shared.empty())
            announce();
        const SearchResult tried = findFailingKeys(
            without({{0, m_keys.size() - 1}}, shared), [this](const KeySet& set) { return fails(set); },
            kNamedRowLimit - m_repeated.keysFound, kTryLimit, m_outOfTime);
        m_tried = tried.culprits;
        SearchResult result = tried;
        result.culprits.insert(result.culprits.begin(), shared.begin(), shared.end());
        result.complete = tried.complete && m_repeated.complete;
        result.limited = tried.limited || !m_repeated.complete;
        return result;
    }

    // Logs a line for each culprit found, and tells the sink its facts.
    void name()
    {
        for (const RepeatedValue& repeated : m_repeated.found) {
            QStringList lines = m_namer.columnLines(repeated.culprit);
            const QString rule = repeatedLine(repeated);
            lines.append(m_namer.label(repeated.culprit) + QStringLiteral(": ") + rule + u'.');
            m_namer.named(repeated.culprit, rule, repeated.columns);
            tell(lines);
        }
        for (const Culprit& culprit : m_tried) {
            QStringList lines = m_namer.columnLines(culprit);
            if (lines.isEmpty()) {
                const QString told = m_trial.attempt(m_before + QStringList{m_keys.condition(setOf(culprit))}).value_or(QString());
                lines.append(QStringLiteral("%1: o destino recusa %2: %3")
                                 .arg(m_namer.label(culprit),
                                      culprit.size() == 1 ? QStringLiteral("este registo") : QStringLiteral("os dois juntos"), told));
                m_namer.named(culprit, told);
            }
            tell(lines);
        }
    }

    // Whether tries, not only keys, found culprits.
    bool triedAny() const { return !m_tried.empty(); }

    // All the statement's rows but culprits.
    QString rest(const std::vector<Culprit>& culprits) const { return m_keys.condition(allBut(m_keys.size(), culprits)); }

private:
    void announce()
    {
        if (!std::exchange(m_announced, true))
            m_sink.addLog(QStringLiteral("A procurar em %1 os registos que o destino recusa...").arg(m_statement.sourceTable));
    }

    bool fails(const KeySet& set)
    {
        const bool failed = m_trial.attempt(m_before + QStringList{m_keys.condition(set)}).has_value();
        if (failed)
            announce();
        return failed;
    }

    void tell(const QStringList& lines)
    {
        for (const QString& line : lines)
            m_sink.addLog(line);
        for (const BadRowFacts& named : m_namer.takeNamed())
            m_sink.badRowNamed(named);
    }

    StepTrial& m_trial;
    const SourceStatement& m_statement;
    const QStringList& m_before;
    ConversionSink& m_sink;
    const std::function<bool()>& m_outOfTime;
    SourceKeys m_keys;
    RowNamer m_namer;
    RepeatedValues m_repeated;
    std::vector<Culprit> m_tried;
    bool m_announced = false;
};

}  // namespace

void nameBadRows(StepTrial& trial, const DatabaseNames& names, db::Query& source, db::Query& destination,
                 ConversionSink& sink, const SearchClock& now)
{
    const std::vector<SourceStatement>& statements = trial.statements();
    const QStringList noRows = allRows(statements.size());
    // A step that fails with no rows at all fails for another reason: a
    // missing table or column, a refused permission, a lost connection.
    if (trial.attempt(noRows))
        return;

    QStringList before;  // the conditions of the statements already searched: all their rows but the bad ones
    const auto started = now();
    const std::function<bool()> outOfTime = [&] { return now() - started > kSearchTime; };
    for (const SourceStatement& statement : statements) {
        StatementSearch search(trial, statement, before, names, source, destination, sink, outOfTime);
        const SearchResult result = search.run();

        // Every try failing, down to single rows, is a server that stopped answering, not bad rows.
        if (search.triedAny() && trial.attempt(noRows))
            return;

        search.name();
        if (!result.complete)
            sink.addLog(incompleteLine(statement.sourceTable, result));
        // Later statements are tried after this one, which must then go through.
        if (!result.complete)
            return;
        // As the last try that went through wrote it, so that its rows stand for the next statement.
        before.append(search.rest(result.culprits));
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
