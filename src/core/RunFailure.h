#pragma once

#include "db/Connection.h"

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

// The text a failure is logged with: the database layer's own message, or
// what the exception says.
QString failureText(const std::exception& e);

// "Não foi possível confirmar que a transacção foi desfeita: podem ter ficado
// escritos registos em vendas e documentos."
QString mayHaveStayed(const QStringList& tables);

// After a failure the connection must not stay open: the next run may name
// another server, and a connection string cannot change on an open
// connection. Its own failure is swallowed so the first one is what is told.
void closeAfterFailure(db::Connection& cn);

}  // namespace core
