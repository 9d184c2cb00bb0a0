#include "core/common/RunFailure.h"

#include "db/DbError.h"

namespace core {

TransactionNotUndone::TransactionNotUndone(const std::exception& failure, QString note)
    : db::DbError(failureText(failure)), m_note(std::move(note))
{
    if (const auto* refused = dynamic_cast<const RowRefused*>(&failure))
        m_rowLine = refused->rowLine();
}

void logFailure(ConversionSink& sink, const std::exception& e)
{
    sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
    if (const auto* refused = dynamic_cast<const RowRefused*>(&e))
        sink.addLog(refused->rowLine());
    if (const auto* notUndone = dynamic_cast<const TransactionNotUndone*>(&e)) {
        if (!notUndone->rowLine().isEmpty())
            sink.addLog(notUndone->rowLine());
        sink.addLog(notUndone->note());
    }
}

QString failureText(const std::exception& e)
{
    if (const auto* dbError = dynamic_cast<const db::DbError*>(&e))
        return dbError->message();
    if (const auto* refused = dynamic_cast<const RunRefused*>(&e))
        return refused->text();
    return QString::fromLocal8Bit(e.what());
}

QString spokenList(QStringList parts)
{
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}

QString mayHaveStayed(const QStringList& tables)
{
    const QString where = tables.isEmpty() ? QString() : QStringLiteral(" em ") + spokenList(tables);
    return QStringLiteral("Não foi possível confirmar que a transacção foi desfeita: podem ter ficado escritos registos%1.")
        .arg(where);
}

void closeAfterFailure(db::Connection& cn)
{
    try {
        cn.close();
    } catch (const std::exception&) {
    }
}

}  // namespace core
