#pragma once

#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Query.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <exception>
#include <utility>

namespace core {

// A run refused once connected, before it changed anything; the text is
// shown as it is.
class RunRefused : public std::exception {
public:
    explicit RunRefused(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// A refusal that the failure's own text does not place: that text, and a
// line for the log that says what was refused and why.
class Refusal : public db::DbError {
public:
    Refusal(const db::DbError& failure, QString line) : db::DbError(failure.message()), m_line(std::move(line)) {}
    const QString& line() const noexcept { return m_line; }

private:
    QString m_line;
};

// A refusal of one source row, which the failure names: the line says which
// row and why, and the facts the same.
class RowRefused : public Refusal {
public:
    RowRefused(const db::DbError& failure, QString rowLine, BadRowFacts row)
        : Refusal(failure, std::move(rowLine)), m_row(std::move(row))
    {
    }
    const BadRowFacts& row() const noexcept { return m_row; }

private:
    BadRowFacts m_row;
};

// What a transaction's statements did to the destination's tables, as far
// as they ran: each table once, in the order first touched.
struct TablesTouched {
    QStringList emptied;  // every row deleted
    QStringList written;  // rows inserted

    void add(const QString& table, bool emptying);
    TablesTouched& operator+=(const TablesTouched& other);
};

// A failure after which the transaction's work may have stayed: the server
// had ended the transaction itself before the rollback (a trigger may have
// committed it). Its text is the failure's own; the note names what may have
// been written.
class TransactionNotUndone : public db::DbError {
public:
    TransactionNotUndone(const std::exception& failure, QString note);
    const QString& note() const { return m_note; }
    const QString& rowLine() const { return m_rowLine; }

private:
    QString m_note;
    QString m_rowLine;
};

// The destination acted on its own in one of the run's transactions (a
// trigger's COMMIT or ROLLBACK): nothing more is sent to it, and the run
// stops. The text says where: "Produtos: o destino terminou a transacção num
// trigger de produtos (t)". The note, once the rollback could not tell that
// the work is undone, names what may have stayed.
class DestinationActed : public db::TransactionLost {
public:
    DestinationActed(QString text, TablesTouched touched);
    // What the transaction had done when the destination acted.
    const TablesTouched& touched() const { return m_touched; }
    const QString& note() const { return m_note; }
    void setNote(QString note) { m_note = std::move(note); }

private:
    TablesTouched m_touched;
    QString m_note;
};

// The destination acting on its own where no statement of a step tells where.
inline const QString kTransactionEnded = QStringLiteral("o destino terminou a transacção num trigger");

// The destination acted on its own while the step wrote, or emptied, table:
// named by the table and those of its triggers that fire on that write, as q
// finds them (none where it cannot ask).
DestinationActed destinationActed(const QString& step, const QString& table, bool emptying,
                                  const DatabaseNames& names, db::Query& q, const TablesTouched& touched);

// The destination acting on its own, once its transaction is rolled back:
// as named where it was met, or plainly with what touched tells; with the
// note when the rollback could not tell that the work is undone.
DestinationActed rolledBack(const db::TransactionLost& lost, const TablesTouched& touched, bool undone);

// Whether the failure, told so far, stops the run: the destination acted on its own.
bool stopsTheRun(const std::exception& e);
// The note of a failure after which its transaction's work may have stayed;
// empty for any other.
QString leftWorkNote(const std::exception& e);

// Logs a failure: "Excepção fatal: " and its text, then what it refused
// (but a row of a transaction that was undone: the search for bad rows names
// it), and whether its transaction may have stayed, where it knows them.
void logFailure(ConversionSink& sink, const std::exception& e);

// The text a failure is logged with: the database layer's own message, or
// what the exception says.
QString failureText(const std::exception& e);

// "a, b e c", as the messages list things.
QString spokenList(QStringList parts);

// "Não foi possível confirmar que a transacção foi desfeita: podem ter ficado
// apagados os registos de produtos e codigosbarras, e escritos registos em
// produtos."
QString mayHaveStayed(const TablesTouched& touched);

// After a failure the connection must not stay open: the next run may name
// another server, and a connection string cannot change on an open
// connection. Its own failure is swallowed so the first one is what is told.
void closeAfterFailure(db::Connection& cn);

}  // namespace core
