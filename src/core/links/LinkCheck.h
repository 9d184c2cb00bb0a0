#pragma once

#include "core/links/Link.h"
#include "db/Connection.h"

#include <QStringList>

namespace core {

// What the data link editor asks the server, and how a run logs in. Each logs
// in the way a conversion does, on a connection that must be closed and is
// left closed, and waits for the login no longer than the database layer's
// login timeout. Failures raise db::DbError with the driver's own text.

// Sets the target of the link's login on the catalog and opens the
// connection. A failed Windows authentication login raises db::DbError with
// what the user can do about it after the driver's text; so does a link
// that asks for encryption when the encrypted channel cannot be had (the
// server offers none, or its certificate is not trusted), naming the file.
void openAs(db::Connection& connection, const Link& link, const QString& catalog);

// Logs in to the link's database, or to master when none is named.
void testConnection(db::Connection& connection, const Link& link);

// The databases the login may enter, names exactly as the server holds them,
// sorted by name.
QStringList listDatabases(db::Connection& connection, const Link& link);

// What a link that asks for encryption is refused with when the channel
// cannot be had, after the driver's own words.
QString encryptionRefused(const Link& link, const QString& driverText);

}  // namespace core
