#pragma once

#include "db/BulkLoad.h"
#include "db/ConnectionTarget.h"
#include "db/Query.h"
#include "db/RowCursor.h"

#include <QString>
#include <chrono>
#include <memory>

namespace db {

// One session with the server. Failures raise DbError.
class Connection {
public:
    virtual ~Connection();

    // Where the next open goes. Setting the current target again does
    // nothing; setting another one while the connection is open is refused.
    virtual void setTarget(const ConnectionTarget& target) = 0;
    virtual ConnectionTarget target() const = 0;

    // Connects to the target alone, never asking the user anything. Opening
    // an open connection does nothing; closing a closed one does nothing.
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Explicit transactions: after beginTransaction, statements take effect at
    // commit and are undone by rollback; both end the transaction. rollback
    // raises DbError, after ending what it can, when it cannot tell that the
    // transaction's work is undone.
    virtual void beginTransaction() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    // For work the write guard cannot wrap (a bulk load): raises
    // TransactionLost when the server no longer holds the open transaction at
    // the level this connection opened it at. Does nothing outside a
    // transaction, or where the connection cannot tell (by default).
    virtual void confirmTransaction();

    // How long one request to the server (a statement, a commit, a rollback)
    // may go unanswered before it fails with the driver's text; zero waits as
    // long as it takes. Set it before open.
    virtual void setStatementTimeout(std::chrono::seconds timeout) = 0;

    // A query bound to this connection, which must outlive it. The name is
    // what the query's own failures are prefixed with ("q_exec").
    virtual std::unique_ptr<Query> createQuery(const QString& name) = 0;

    // A new, closed connection of the same kind and settings, for another
    // server; nothing where this kind of connection cannot make one.
    virtual std::unique_ptr<Connection> createPeer() const;

    // The rows of a SELECT, streamed; the cursor must go before the
    // connection closes, and nothing else may run on the connection while it
    // is open. Kinds of connection that cannot stream refuse with DbError.
    virtual std::unique_ptr<RowCursor> openCursor(const QString& sql);

    // Whether the open connection's driver takes rows by the server's bulk
    // load (TDS bulk copy).
    virtual bool bulkLoads() const;
    // A bulk load into table (its name as the server reads it) inside the
    // open transaction, filling columns, every one of the table's but its
    // identity; nothing where the driver has no bulk load. Nothing else may
    // run on the connection while it is open. A load the driver or the server
    // refuses (DbError, also at its start) is a refusal of the whole
    // transaction: the connection closes, and the server discards the
    // transaction with it.
    virtual std::unique_ptr<BulkLoad> startBulkLoad(const QString& table, std::vector<BulkColumn> columns);
};

}  // namespace db
