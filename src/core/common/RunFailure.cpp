#include "core/common/RunFailure.h"

#include "db/DbError.h"

namespace core {

namespace {

QStringList triggersOn(const QString& table, bool emptying, const DatabaseNames& names, db::Query& q)
{
    // Only a read of the catalogue: nothing that could fire a trigger.
    const QString object = textLiteral(quotedName(names.destination) + QStringLiteral(".dbo.") + table);
    QStringList triggers;
    try {
        q.setSql(QStringLiteral("SELECT t.name FROM %1.sys.triggers t JOIN %1.sys.trigger_events e ON e.object_id = t.object_id "
                                "WHERE t.parent_id = OBJECT_ID(%2) AND e.type_desc = N'%3' ORDER BY t.name")
                     .arg(quotedName(names.destination), object, QLatin1String(emptying ? "DELETE" : "INSERT")));
        q.open();
        for (; !q.eof(); q.next())
            triggers.append(q.asText(0));
    } catch (const std::exception&) {
    }
    q.close();
    return triggers;
}

}  // namespace

QString spokenList(QStringList parts)
{
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}

void TablesTouched::add(const QString& table, bool emptying)
{
    QStringList& tables = emptying ? emptied : written;
    if (!table.isEmpty() && !tables.contains(table))
        tables.append(table);
}

TablesTouched& TablesTouched::operator+=(const TablesTouched& other)
{
    for (const QString& table : other.emptied)
        add(table, true);
    for (const QString& table : other.written)
        add(table, false);
    return *this;
}

DestinationActed::DestinationActed(QString text, TablesTouched touched)
    : db::TransactionLost(std::move(text)), m_touched(std::move(touched))
{
}

DestinationActed destinationActed(const QString& step, const QString& table, bool emptying,
                                  const DatabaseNames& names, db::Query& q, const TablesTouched& touched)
{
    const QStringList triggers = triggersOn(table, emptying, names, q);
    return DestinationActed(QStringLiteral("%1: %2 de %3%4")
                                .arg(step, kTransactionEnded, table,
                                     triggers.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(triggers.join(QStringLiteral(", ")))),
                            touched);
}

DestinationActed rolledBack(const db::TransactionLost& lost, const TablesTouched& touched, bool undone)
{
    const auto* named = dynamic_cast<const DestinationActed*>(&lost);
    DestinationActed acted = named ? *named : DestinationActed(kTransactionEnded, touched);
    if (!undone)
        acted.setNote(mayHaveStayed(acted.touched()));
    return acted;
}

bool stopsTheRun(const std::exception& e)
{
    return dynamic_cast<const db::TransactionLost*>(&e) != nullptr;
}

QString leftWorkNote(const std::exception& e)
{
    if (const auto* acted = dynamic_cast<const DestinationActed*>(&e))
        return acted->note();
    if (const auto* notUndone = dynamic_cast<const TransactionNotUndone*>(&e))
        return notUndone->note();
    return {};
}

TransactionNotUndone::TransactionNotUndone(const std::exception& failure, QString note)
    : db::DbError(failureText(failure)), m_note(std::move(note))
{
    if (const auto* refused = dynamic_cast<const Refusal*>(&failure))
        m_rowLine = refused->line();
}

void logFailure(ConversionSink& sink, const std::exception& e)
{
    sink.addLog(QStringLiteral("Excepção fatal: ") + failureText(e));
    // A refused row of a transaction that was undone is named by the search that follows.
    if (const auto* refused = dynamic_cast<const Refusal*>(&e); refused && !dynamic_cast<const RowRefused*>(&e))
        sink.addLog(refused->line());
    if (const auto* notUndone = dynamic_cast<const TransactionNotUndone*>(&e); notUndone && !notUndone->rowLine().isEmpty())
        sink.addLog(notUndone->rowLine());
    if (const QString note = leftWorkNote(e); !note.isEmpty())
        sink.addLog(note);
}

QString failureText(const std::exception& e)
{
    if (const auto* dbError = dynamic_cast<const db::DbError*>(&e))
        return dbError->message();
    if (const auto* refused = dynamic_cast<const RunRefused*>(&e))
        return refused->text();
    return QString::fromLocal8Bit(e.what());
}

QString mayHaveStayed(const TablesTouched& touched)
{
    QStringList what;
    if (!touched.emptied.isEmpty())
        what.append(QStringLiteral("apagados os registos de ") + spokenList(touched.emptied));
    if (!touched.written.isEmpty())
        what.append(QStringLiteral("escritos registos em ") + spokenList(touched.written));
    return QStringLiteral("Não foi possível confirmar que a transacção foi desfeita: podem ter ficado %1.")
        .arg(what.isEmpty() ? QStringLiteral("escritos registos") : what.join(QStringLiteral(", e ")));
}

void closeAfterFailure(db::Connection& cn)
{
    try {
        cn.close();
    } catch (const std::exception&) {
    }
}

}  // namespace core
