#pragma once

#include "db/Connection.h"

#include <QString>
#include <QStringList>
#include <exception>

namespace core {

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
