#pragma once

#include "core/links/InitString.h"
#include "core/links/LinkSettings.h"
#include "db/Connection.h"

#include <QStringList>

namespace core {

// What the data link editor asks the server. Both log in the way a
// conversion does, on a connection that must be closed and is left closed,
// and wait for the login no longer than the database layer's login timeout.
// Failures raise db::DbError with the driver's own text.

// Sets the connection string of the login on the catalog and opens the
// connection. A failed Windows authentication login raises db::DbError with
// what the user can do about it after the driver's text.
void openAs(db::Connection& connection, const SourceParameters& login, const QString& catalog);

// Logs in to the settings' database, or to master when none is named.
void testConnection(db::Connection& connection, const LinkSettings& settings);

// The databases the login may enter, names exactly as the server holds them,
// sorted by name.
QStringList listDatabases(db::Connection& connection, const LinkSettings& settings);

}  // namespace core
