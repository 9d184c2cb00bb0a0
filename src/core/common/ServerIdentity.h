#pragma once

#include "core/common/RunFacts.h"
#include "db/Query.h"

#include <QString>

namespace core {

// Whether two data link files write their server the same way. Only then is
// the destination taken to be on the source's server without asking.
bool sameServerName(const QString& a, const QString& b);

// Whether two open sessions are on the same server. The names they were
// reached by cannot tell ("(local)", ".", "localhost", the machine's name, an
// address, a port written or not), and two instances may call themselves
// the same: the first session takes a lock that only sessions of its own
// server can see, and the second looks for it. Both must be in the same
// database (master). When the lock cannot be had, they count as different
// servers: the rows then go through the program, which is slower but writes
// nowhere else.
bool sameServer(db::Query& first, db::Query& second);

// Whether two names stand for one database on the server q is connected to,
// as the server resolves them (case, trailing blanks, its collation).
bool sameDatabase(db::Query& q, const QString& a, const QString& b);

// Whether the session of q is encrypted, as its server says:
// CONNECTIONPROPERTY('encrypt_option'), which needs no permission, or where
// the server answers that with NULL, its own row of sys.dm_exec_connections.
// Unknown when neither answers.
Encrypted sessionEncryption(db::Query& q);

// Whether the server q is connected to takes many rows in one INSERT ...
// VALUES: SQL Server 2008 and later.
bool takesRowsInOneInsert(db::Query& q);

}  // namespace core
