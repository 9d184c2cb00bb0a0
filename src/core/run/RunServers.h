#pragma once

#include "core/common/ConversionSink.h"
#include "core/common/SqlNames.h"
#include "core/links/Link.h"
#include "core/run/Conversion.h"
#include "core/steps/BulkTargets.h"
#include "core/steps/CrossServerCopy.h"
#include "core/steps/StockTransfer.h"

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
    // With stocks, the stock lines are written too.
    RunServers(const Database& database, const Link& source, const Link& destination, bool stocks,
               ConversionSink& sink);
    ~RunServers();

    RunServers(const RunServers&) = delete;
    RunServers& operator=(const RunServers&) = delete;

    const DatabaseNames& names() const { return m_names; }

    // The destination's session, where each step's transaction is.
    db::Connection& destination() { return m_destination ? *m_destination : m_database.cn; }
    // The sides of every step, their transactions on the given connection
    // (the destination's, or one that stands for it).
    StepSides sides(db::Connection& transactions);
    // The stock document's sides, its transaction on the given connection
    // (the destination's, or one that stands for it). The stock rows stream
    // from a session on the source free while the destination's writes go
    // on: the source's own when the destination is elsewhere, or a second one
    // to the same server; where this kind of connection cannot make one, they
    // are read whole.
    StockSides stockSides(db::Connection& transactions);

    // Says once in the log how the destination takes the rows written from
    // rows read: by bulk load, or by INSERT. Across servers that is said on
    // connecting; on one server, where only the stock lines go so, before them.
    void tellLoadPath(ConversionSink& sink);

    // Ends the destination's own session, if any; the caller closes the source's.
    void closeDestination();

private:
    db::Connection* stockReader();
    // Opens the source's session as the link asks, and reads its encryption.
    Encrypted openSource(const Link& login);

    const Database& m_database;
    DatabaseNames m_names;
    std::unique_ptr<db::Connection> m_destination;  // only when on another server
    std::unique_ptr<db::Query> m_destinationQuery;
    bool m_rowsInOneInsert = true;
    std::unique_ptr<db::Connection> m_stockReader;
    std::optional<BulkTargets> m_bulk;
    bool m_bulkDriver = false;
    bool m_loadPathTold = false;
};

// Said once in the log of a run that writes rows read, when the destination takes them by bulk load.
inline const QString kLoadsInBulk = QStringLiteral("O destino recebe as linhas por carga em massa (bulk copy).");

// Said once in the log when the destination's server is too old to take many rows in one statement.
inline const QString kRowsOneByOne = QStringLiteral(
    "O servidor de destino é anterior ao SQL Server 2008: as linhas seguem uma a uma, mais devagar.");

}  // namespace core
