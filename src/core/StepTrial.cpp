#include "core/StepTrial.h"

#include "core/RunFailure.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

std::optional<SidesStepTrial> SidesStepTrial::forStep(const TableStep& step, const QStringList& inserts,
                                                      const DatabaseNames& names, const StepSides& sides)
{
    std::vector<SourceStatement> statements;
    for (const QString& insert : inserts) {
        std::optional<SourceStatement> statement = SourceStatement::parse(insert);
        if (!statement)
            return std::nullopt;
        statements.push_back(std::move(*statement));
    }
    return SidesStepTrial(step, std::move(statements), names, sides);
}

SidesStepTrial::SidesStepTrial(const TableStep& step, std::vector<SourceStatement> statements,
                               const DatabaseNames& names, const StepSides& sides)
    : m_step(&step), m_statements(std::move(statements)), m_names(names), m_sides(sides)
{
}

std::optional<QString> SidesStepTrial::attempt(const QStringList& conditions)
{
    QStringList sql = m_step->deletes;
    for (qsizetype i = 0; i < conditions.size(); ++i)
        sql.append(m_statements[std::size_t(i)].insertWhere(conditions[i]));
    if (conditions.size() == qsizetype(m_statements.size()))
        sql.append(m_step->followUps);

    m_sides.transactions.beginTransaction();
    std::optional<QString> failure;
    try {
        for (const QString& statement : sql)
            runStepStatement(statement, m_names, m_sides);
    } catch (const std::exception& e) {
        failure = failureText(e);
    }
    rollbackQuietly(m_sides.transactions);
    m_sides.destination.close();
    return failure;
}

}  // namespace core
