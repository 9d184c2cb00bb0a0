// The pieces of the bad-row search that can go wrong on their own: the
// narrowing over sets of keys, its time bound, and the reading of a value
// against a destination column's rule.

#include "QStringPrinting.h"
#include "RecordingDatabase.h"
#include "core/search/BadRows.h"
#include "core/search/RowProblems.h"
#include "core/search/RowSearch.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <tuple>

namespace {

struct SearchCase {
    const char* name;
    int keys;
    std::vector<int> singles;              // fail on their own
    std::vector<std::vector<int>> groups;  // fail only all together
    std::vector<core::Culprit> expected;
    bool complete;
    int maxTries;
};

TEST(RowSearch, FindsSinglesAndPairsAndStopsAtItsLimits)
{
    std::vector<int> many;
    for (int k = 0; k < 25; ++k)
        many.push_back(k * 37 + 5);
    std::vector<core::Culprit> first20;
    for (int k = 0; k < 20; ++k)
        first20.push_back({many[std::size_t(k)]});

    const std::vector<SearchCase> cases{
        {"nothing fails", 1000, {}, {}, {}, true, 1},
        {"three spread over 200000", 200000, {11, 99999, 199998}, {}, {{11}, {99999}, {199998}}, true, 200},
        {"every key of three", 3, {0, 1, 2}, {}, {{0}, {1}, {2}}, true, 10},
        {"a pair across the halves", 1000, {}, {{10, 900}}, {{10, 900}}, true, 60},
        {"a pair inside one part and a single", 1000, {}, {{3, 7}}, {{3, 7}}, true, 60},
        {"a single and a pair", 5000, {4000}, {{20, 21}}, {{20, 21}, {4000}}, true, 120},
        {"more than the limit", 1000, many, {}, first20, false, 2000},
        {"three only together", 100, {}, {{1, 50, 90}}, {}, false, 100},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        int tries = 0;
        const auto fails = [&](const core::KeySet& set) {
            ++tries;
            const auto in = [&](int k) {
                return std::any_of(set.begin(), set.end(), [&](const core::KeyRange& r) { return r.first <= k && k <= r.last; });
            };
            if (std::any_of(c.singles.begin(), c.singles.end(), in))
                return true;
            return std::any_of(c.groups.begin(), c.groups.end(), [&](const std::vector<int>& group) {
                return std::all_of(group.begin(), group.end(), in);
            });
        };
        core::SearchResult result = core::findFailingKeys(c.keys, fails, 20, 2000);
        std::sort(result.culprits.begin(), result.culprits.end());
        EXPECT_EQ(result.culprits, c.expected);
        EXPECT_EQ(result.complete, c.complete);
        EXPECT_LE(tries, c.maxTries);
    }
}

// Keys without culprits stay within the keys given: a culprit beyond a range
// never lets in the keys between them, which the search had set aside.
TEST(RowSearch, KeysWithoutCulpritsStayWithinTheKeysGiven)
{
    const auto text = [](const core::KeySet& keys) {
        QStringList out;
        for (const core::KeyRange& r : keys)
            out.append(QStringLiteral("%1-%2").arg(r.first).arg(r.last));
        return out.join(u' ');
    };
    const std::vector<std::tuple<core::KeySet, std::vector<core::Culprit>, QString>> cases{
        {{{0, 4}, {6, 9}}, {{8}}, "0-4 6-7 9-9"},
        {{{0, 9}}, {{3}, {5, 7}}, "0-2 4-4 6-6 8-9"},
        {{{2, 4}}, {{0}, {9}}, "2-4"},
        {{{2, 4}, {7, 7}}, {{3, 7}}, "2-2 4-4"},
    };
    for (const auto& [keys, culprits, expected] : cases)
        EXPECT_EQ(text(core::without(keys, culprits)), expected) << expected.toStdString();
}

// A step whose every row the destination refuses, each try 45 seconds long.
class SlowTrial final : public core::StepTrial {
public:
    const std::vector<core::SourceStatement>& statements() const override { return m_statements; }
    std::optional<QString> attempt(const QStringList& conditions) override
    {
        now += std::chrono::seconds(45);
        if (conditions.last() == QStringLiteral("1 = 0"))
            return std::nullopt;
        return QStringLiteral("recusado");
    }

    std::chrono::steady_clock::time_point now;

private:
    std::vector<core::SourceStatement> m_statements = core::insertsOf(core::tableSteps().at(7), true);
};

class LogSink final : public core::ConversionSink {
public:
    void addLog(const QString& line) override { lines.append(line); }
    void progressStep() override {}
    QStringList lines;
};

TEST(BadRows, TheSearchStopsAfterFiveMinutesAndNamesWhatItFound)
{
    recording::RecordingConnection cn(std::make_shared<recording::Recorder>());
    std::vector<db::ResultSet::Row> units;
    for (int code = 1; code <= 8; ++code)
        units.push_back({QString::number(code)});
    cn.recorder().respond(QStringLiteral("SELECT DISTINCT codigo"), recording::makeResult({"codigo"}, units));
    cn.recorder().respond(QStringLiteral("SELECT DATA_TYPE"), recording::singleValue("DATA_TYPE", "int"));
    const std::unique_ptr<db::Query> q = cn.createQuery(QStringLiteral("q_exec"));
    SlowTrial trial;
    LogSink sink;

    core::nameBadRows(trial, {"pos", "loja"}, *q, *q, sink, [&] { return trial.now; });

    // Three rows are narrowed down in the five minutes after the first try; the fourth would take a seventh.
    EXPECT_EQ(sink.lines, QStringList({"A procurar em Unidades os registos que o destino recusa...",
                                       "Unidades, código 1: o destino recusa este registo: recusado",
                                       "Unidades, código 2: o destino recusa este registo: recusado",
                                       "Unidades, código 3: o destino recusa este registo: recusado",
                                       "Unidades: pode haver mais registos que o destino recusa; corrija estes e volte a tentar."}));
}

TEST(RowProblems, EachRuleNamesTheColumnAndWhatTheDestinationTakes)
{
    struct Case {
        core::ColumnRule rule;
        std::optional<QString> value;
        std::optional<QString> expected;
    };
    const core::ColumnRule text{"descricao", "nvarchar", 40, 0, 0, true};
    const core::ColumnRule required{"nome", "varchar", 10, 0, 0, false};
    const core::ColumnRule whole{"familia", "int", 0, 10, 0, true};
    const core::ColumnRule small{"posicao", "smallint", 0, 5, 0, true};
    const core::ColumnRule exact{"percentagemretencao", "decimal", 0, 6, 2, true};
    const core::ColumnRule flag{"retalho", "bit", 0, 1, 0, true};
    const std::vector<Case> cases{
        {text, QString(58, u'x'), "descricao tem 58 caracteres; no destino cabem 40"},
        {text, QString(40, u'x') + "   ", std::nullopt},
        {text, std::nullopt, std::nullopt},
        {{"obs", "nvarchar", -1, 0, 0, true}, "", std::nullopt},
        {{"obs", "nvarchar", -1, 0, 0, true}, QString(210000, u'x'), std::nullopt},
        {required, std::nullopt, "nome não tem valor; no destino é obrigatório"},
        {required, "", std::nullopt},
        {whole, "3000000000", "familia vale 3000000000; no destino cabem valores de -2147483648 a 2147483647"},
        {whole, "2147483647.9", std::nullopt},
        {whole, "abc", "familia tem 'abc', que não se converte em int"},
        {whole, "", std::nullopt},
        {small, "-32769", "posicao vale -32769; no destino cabem valores de -32768 a 32767"},
        {exact, "10000.00", "percentagemretencao vale 10000.00; no destino cabem valores de -9999.99 a 9999.99"},
        {exact, "9999.994", std::nullopt},
        {exact, "", "percentagemretencao tem '', que não se converte em decimal"},
        {flag, "TRUE", std::nullopt},
        {flag, "sim", "retalho tem 'sim', que não se converte em bit"},
        {{"foto", "varbinary", -1, 0, 0, true}, "00ff", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.rule.name + u' ' + c.value.value_or("NULL")).toStdString());
        EXPECT_EQ(core::columnProblem(c.rule, c.value), c.expected);
    }
}

}  // namespace
