#pragma once

#include "core/common/ConversionSink.h"
#include "db/Connection.h"
#include "db/DbError.h"

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

// A refusal of one source row, which the failure names: the failure's own
// text, a line for the log that says which row and why, and the same as facts.
class RowRefused : public db::DbError {
public:
    RowRefused(const db::DbError& failure, QString rowLine, BadRowFacts row)
        : db::DbError(failure.message()), m_rowLine(std::move(rowLine)), m_row(std::move(row))
    {
    }
    const QString& rowLine() const noexcept { return m_rowLine; }
    const BadRowFacts& row() const noexcept { return m_row; }

private:
    QString m_rowLine;
    BadRowFacts m_row;
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

// Logs a failure: "Excepção fatal: " and its text, then the row it names
// and whether its transaction may have stayed, where it knows them.
void logFailure(ConversionSink& sink, const std::exception& e);

// The text a failure is logged with: the database layer's own message, or
// what the exception says.
QString failureText(const std::exception& e);

// "a, b e c", as the messages list things.
QString spokenList(QStringList parts);

// "Não foi possível confirmar que a transacção foi desfeita: podem ter ficado
// escritos registos em vendas e documentos."
QString mayHaveStayed(const QStringList& tables);

// After a failure the connection must not stay open: the next run may name
// another server, and a connection string cannot change on an open
// connection. Its own failure is swallowed so the first one is what is told.
void closeAfterFailure(db::Connection& cn);

}  // namespace core
