#include "core/StepTrial.h"

#include "core/RunFailure.h"
#include "core/Transaction.h"

#include <exception>

namespace core {

std::optional<ServerStepTrial> ServerStepTrial::forStep(const TableStep& step, const QStringList& inserts,
                                                        const DatabaseNames& names, db::Connection& cn, db::Query& q)
{
    std::vector<SourceStatement> statements;
    for (const QString& insert : inserts) {
        std::optional<SourceStatement> statement = SourceStatement::parse(insert);
        if (!statement)
            return std::nullopt;
        statements.push_back(std::move(*statement));
    }
    return ServerStepTrial(step, std::move(statements), names, cn, q);
}

ServerStepTrial::ServerStepTrial(const TableStep& step, std::vector<SourceStatement> statements,
                                 const DatabaseNames& names, db::Connection& cn, db::Query& q)
    : m_step(&step), m_statements(std::move(statements)), m_names(names), m_cn(&cn), m_q(&q)
{
}

std::optional<QString> ServerStepTrial::attempt(const QStringList& conditions)
{
    QStringList sql = m_step->deletes;
    for (qsizetype i = 0; i < conditions.size(); ++i)
        sql.append(m_statements[std::size_t(i)].insertWhere(conditions[i]));
    if (conditions.size() == qsizetype(m_statements.size()))
        sql.append(m_step->followUps);

    m_cn->beginTransaction();
    std::optional<QString> failure;
    try {
        for (const QString& statement : sql) {
            m_q->setSql(substituteNames(statement, m_names));
            m_q->execute();
        }
    } catch (const std::exception& e) {
        failure = failureText(e);
    }
    rollbackQuietly(*m_cn);
    m_q->close();
    return failure;
}

}  // namespace core
