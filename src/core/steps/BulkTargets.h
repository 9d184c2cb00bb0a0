#pragma once

#include "core/common/SqlNames.h"
#include "db/BulkLoad.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace core {

// How one copy of rows goes into its destination table by bulk load: the
// table's columns in the table's own order (its identity left to the
// server), each filled from one of the copy's values, read cast to the
// column's type so that the source's server converts it as an INSERT would.
struct BulkPlan {
    std::vector<db::BulkColumn> columns;
    std::vector<int> values;  // for each column, the copy's column (0-based) it takes
    QStringList types;        // for each column, the type its value is read as: "decimal(19,4)", "nvarchar(max)"
};

// What the destination's tables take by bulk load, read from its catalog once
// before any step, outside every transaction (a refused question would end
// one on some servers). A table goes by INSERT, as it always has, when it has
// an enabled trigger (a bulk load fires none) or an enabled foreign key (not
// every server checks one in a bulk load), a column of a type the load does
// not carry, or a column the copy leaves to its default.
class BulkTargets {
public:
    // Asks q, on the destination's server, about the tables (as the steps
    // name them, "produtos") of destinationDatabase; asks nothing, and plans
    // nothing, when bulkLoads is false. A catalog it cannot read plans nothing.
    BulkTargets(bool bulkLoads, db::Query& q, const QString& destinationDatabase, const QStringList& tables);

    // Whether any table may go by bulk load.
    bool any() const;
    // Whether the catalog was asked and answered.
    bool catalogRead() const { return m_catalogRead; }
    // The plan for a copy into table filling columns, in that order; nothing
    // when the copy must go by INSERT.
    std::optional<BulkPlan> plan(const QString& table, const QStringList& columns) const;

private:
    struct Column {
        db::BulkColumn bulk;
        QString type;  // as the values are read
        bool carried = true;
        bool generated = false;  // identity: the server's
    };
    struct Table {
        std::vector<Column> columns;
        bool byInsert = false;
    };

    std::map<QString, Table> m_tables;  // by lower-case name
    bool m_catalogRead = false;
};

// A bulk load of a plan into a destination table ("produtos"), on cn's open
// transaction. Meanwhile the session stands in the destination database,
// entered through q (cn's): some servers refuse a bulk load into another
// database than the session's own, and a session's temporary tables belong
// to the database it made them in.
class TableLoad {
public:
    TableLoad(db::Connection& cn, db::Query& q, const DatabaseNames& names, const QString& table, const BulkPlan& plan);
    // Ends an unfinished load (its rows left to the caller's rollback) and
    // takes the session back to its database.
    ~TableLoad();

    TableLoad(const TableLoad&) = delete;
    TableLoad& operator=(const TableLoad&) = delete;

    db::BulkLoad* operator->() { return m_load.get(); }
    // Ends the load, takes the session back to its database, and confirms
    // that the transaction is still the one cn opened: no write guard wraps a
    // bulk load.
    void finish();

private:
    void leave() noexcept;

    db::Connection& m_cn;
    db::Query& m_q;
    QString m_home;  // the session's database before the load
    std::unique_ptr<db::BulkLoad> m_load;
};

}  // namespace core
