#pragma once

#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "core/links/Link.h"
#include "core/run/Conversion.h"
#include "core/steps/CrossServerCopy.h"

#include <QString>
#include <memory>

namespace core {

// The sessions a run works through. The source is reached with the source
// file's login. A destination file naming the same server is served by that
// session too, whatever its own login, and every statement runs on the
// server alone; where either file asks for encryption, that session gives
// the stricter of the two. A destination on another server is reached with
// the destination file's own server, user, password and encryption, and
// nothing is ever written on the source's server. Each session's encryption
// is read from its server and logged; a session that was asked to be
// encrypted and says it is not ends the run before anything is read.
class RunServers {
public:
    // Connects; the database's connection opens and is the caller's to close.
    // A destination that cannot be reached or logged into, or that is the
    // source database itself, is refused (RunRefused) before anything changes.
    RunServers(const Database& database, const Link& source, const Link& destination, ConversionSink& sink);
    ~RunServers();

    RunServers(const RunServers&) = delete;
    RunServers& operator=(const RunServers&) = delete;

    const DatabaseNames& names() const { return m_names; }

    // The destination's session, where each step's transaction is.
    db::Connection& destination() { return m_destination ? *m_destination : m_database.cn; }
    // The sides of every step, their transactions on the given connection
    // (the destination's, or one that stands for it).
    StepSides sides(db::Connection& transactions);
    // Where the stock levels are read, on the source.
    db::Query& stockRows() { return m_database.q_aux; }
    // A session on the source free to stream the stock rows while the
    // destination's writes go on: the source's own when the destination is
    // elsewhere, or a second one to the same server; nothing where this kind
    // of connection cannot make one.
    db::Connection* stockReader();

    // Ends the destination's own session, if any; the caller closes the source's.
    void closeDestination();

private:
    // Opens the source's session as the link asks, and reads its encryption.
    Encrypted openSource(const Link& login);

    const Database& m_database;
    DatabaseNames m_names;
    std::unique_ptr<db::Connection> m_destination;  // only when on another server
    std::unique_ptr<db::Query> m_destinationQuery;
    bool m_rowsInOneInsert = true;
    std::unique_ptr<db::Connection> m_stockReader;
};

// Said once in the log when the destination's server is too old to take many rows in one statement.
inline const QString kRowsOneByOne = QStringLiteral(
    "O servidor de destino é anterior ao SQL Server 2008: as linhas seguem uma a uma, mais devagar.");

}  // namespace core
