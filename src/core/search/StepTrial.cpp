#include "core/search/StepTrial.h"

#include "core/common/RunFailure.h"
#include "core/common/Transaction.h"
#include "core/steps/TableCopy.h"

#include <exception>
#include <utility>

namespace core {

SidesStepTrial::SidesStepTrial(const TableStep& step, std::vector<SourceStatement> statements,
                               const DatabaseNames& names, const StepSides& sides)
    : m_step(&step), m_statements(std::move(statements)), m_names(names), m_sides(sides)
{
}

namespace {

const QString kSavepoint = QStringLiteral("kovara_tentativa");

}  // namespace

std::optional<QString> SidesStepTrial::run(const std::vector<StepStatement>& sql)
{
    std::optional<QString> failure;
    try {
        runStepStatements(sql, m_step->sourceTable, m_names, m_sides, m_touched);
    } catch (const db::TransactionLost&) {
        // Nothing more may be tried on that destination.
        m_sides.destination.close();
        throw;
    } catch (const std::exception& e) {
        failure = failureText(e);
    }
    m_sides.destination.close();
    return failure;
}

// A new transaction with the step's tables emptied and the statements before
// the one tried run on their rows.
std::optional<QString> SidesStepTrial::start(const QStringList& before)
{
    finish();
    ++m_restarts;
    // A rollback that could not be told apart from a commit drops the session.
    m_sides.transactions.open();
    m_sides.transactions.beginTransaction();
    m_open = true;
    m_touched = {};
    std::vector<StepStatement> sql = deletesOf(*m_step);
    for (qsizetype i = 0; i < before.size(); ++i)
        sql.push_back(m_statements[std::size_t(i)].insertWhere(before[i]));
    sql.push_back({QStringLiteral("SAVE TRANSACTION ") + kSavepoint, std::nullopt});
    std::optional<QString> failure = run(sql);
    if (failure)
        finish();
    else
        m_before = before;
    return failure;
}

// A savepoint for the next try. Some servers forget a savepoint once rolled
// back to it, so each try sets its own.
bool SidesStepTrial::save()
{
    try {
        m_sides.destination.setSql(QStringLiteral("SAVE TRANSACTION ") + kSavepoint);
        m_sides.destination.execute();
        return true;
    } catch (const db::TransactionLost&) {
        throw;
    } catch (const std::exception&) {
        m_sides.destination.close();
        return false;
    }
}

// Back to the savepoint, where the server still holds the transaction and can go on with it.
bool SidesStepTrial::undoTry()
{
    try {
        db::Query& q = m_sides.destination;
        q.setSql(QStringLiteral("SELECT XACT_STATE()"));
        q.open();
        const bool alive = q.hasRow() && q.asInteger(0) == 1;
        q.close();
        if (!alive)
            return false;
        q.setSql(QStringLiteral("ROLLBACK TRANSACTION ") + kSavepoint);
        q.execute();
        return true;
    } catch (const db::TransactionLost&) {
        throw;
    } catch (const std::exception&) {
        m_sides.destination.close();
        return false;
    }
}

std::optional<QString> SidesStepTrial::attempt(const QStringList& conditions)
{
    ++m_tries;
    const QStringList before = conditions.mid(0, conditions.size() - 1);
    std::vector<StepStatement> sql;
    if (!conditions.isEmpty())
        sql.push_back(m_statements[std::size_t(conditions.size() - 1)].insertWhere(conditions.last()));
    if (conditions.size() == qsizetype(m_statements.size())) {
        for (StepStatement& followUp : followUpsOf(*m_step))
            sql.push_back(std::move(followUp));
    }

    if (const std::optional<QStringList> passed = std::exchange(m_passed, std::nullopt)) {
        if (*passed == before)
            m_before = before;
        else if (!undoTry())
            finish();
    }
    // The transaction kept may have been ended by a failure since (a read of the search's own).
    if (m_before == before && !save())
        finish();
    if (m_before != before) {
        if (std::optional<QString> failure = start(before))
            return failure;
    }
    std::optional<QString> failure = run(sql);
    // A try that went through stays until the next one: where that one builds
    // on it (the next statement's tries, on this one's rows), it is not made again.
    if (!failure && conditions.size() < qsizetype(m_statements.size())) {
        m_passed = conditions;
        return failure;
    }
    if (!undoTry())
        finish();
    return failure;
}

void SidesStepTrial::finish()
{
    m_passed.reset();
    // Also after a start that failed: its transaction is open all the same.
    if (!m_open)
        return;
    m_open = false;
    m_before.reset();
    if (!rollbackQuietly(m_sides.transactions)) {
        m_undone = false;
        m_leftBehind += m_touched;
    }
}

}  // namespace core
