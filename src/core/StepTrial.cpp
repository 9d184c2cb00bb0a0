#include "core/StepTrial.h"

#include "core/RunFailure.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

SidesStepTrial::SidesStepTrial(const TableStep& step, std::vector<SourceStatement> statements,
                               const DatabaseNames& names, const StepSides& sides)
    : m_step(&step), m_statements(std::move(statements)), m_names(names), m_sides(sides)
{
}

std::optional<QString> SidesStepTrial::attempt(const QStringList& conditions)
{
    std::vector<StepStatement> sql = deletesOf(*m_step);
    for (qsizetype i = 0; i < conditions.size(); ++i)
        sql.push_back(m_statements[std::size_t(i)].insertWhere(conditions[i]));
    if (conditions.size() == qsizetype(m_statements.size())) {
        for (StepStatement& followUp : followUpsOf(*m_step))
            sql.push_back(std::move(followUp));
    }

    m_sides.transactions.beginTransaction();
    std::optional<QString> failure;
    try {
        for (const StepStatement& statement : sql)
            runStepStatement(statement, m_names, m_sides);
    } catch (const std::exception& e) {
        failure = failureText(e);
    }
    rollbackQuietly(m_sides.transactions);
    m_sides.destination.close();
    return failure;
}

}  // namespace core
