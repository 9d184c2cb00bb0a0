#include "core/steps/BulkTargets.h"

#include "db/DbError.h"

#include <algorithm>
#include <exception>

namespace core {

namespace {

using Type = db::BulkColumn::Type;

// The load's type for a column of the server's type; nothing for a type it does not carry.
std::optional<Type> bulkType(const QString& name)
{
    static const std::map<QString, Type> types{
        {"tinyint", Type::TinyInt},   {"smallint", Type::SmallInt},       {"int", Type::Int},
        {"bigint", Type::BigInt},     {"bit", Type::Bit},                 {"decimal", Type::Decimal},
        {"numeric", Type::Decimal},   {"money", Type::Money},             {"smallmoney", Type::SmallMoney},
        {"float", Type::Float},       {"real", Type::Real},               {"datetime", Type::DateTime},
        {"smalldatetime", Type::SmallDateTime}, {"datetime2", Type::DateTime2}, {"date", Type::Date},
        {"char", Type::Text},         {"varchar", Type::Text},            {"nchar", Type::Text},
        {"nvarchar", Type::Text},     {"binary", Type::Binary},           {"varbinary", Type::Binary},
    };
    const auto found = types.find(name.trimmed().toLower());
    return found == types.end() ? std::nullopt : std::optional<Type>(found->second);
}

// The type a value is read as. Text and bytes are read whole, never cut to
// the column (a cast would cut them silently where an INSERT refuses), and
// the load refuses what does not fit.
QString readType(const db::BulkColumn& c, const QString& serverType)
{
    switch (c.type) {
    case Type::Decimal: return QStringLiteral("decimal(%1,%2)").arg(c.precision).arg(c.scale);
    case Type::DateTime2: return QStringLiteral("datetime2(%1)").arg(c.scale);
    case Type::Text: return QStringLiteral("nvarchar(max)");
    case Type::Binary: return QStringLiteral("varbinary(max)");
    default: return serverType.trimmed().toLower();
    }
}

QString nameList(const QStringList& tables)
{
    QStringList quoted;
    for (const QString& table : tables)
        quoted.append(textLiteral(table));
    return quoted.join(QStringLiteral(", "));
}

qsizetype indexOf(const QStringList& names, const QString& name)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

BulkTargets::BulkTargets(bool bulkLoads, db::Query& q, const QString& destinationDatabase, const QStringList& tables)
{
    if (!bulkLoads || tables.isEmpty())
        return;
    const QString db = quotedName(destinationDatabase);
    try {
        // One question: a bulk load fires no trigger, and some servers check no foreign key in one.
        q.setSql(QStringLiteral(
                     "SELECT o.name, c.name, t.name, c.max_length, c.precision, c.scale, c.is_nullable, c.is_identity, "
                     "c.is_computed, c.column_id, CASE WHEN EXISTS (SELECT 1 FROM %1.sys.triggers r "
                     "WHERE r.parent_id = o.object_id AND r.is_disabled = 0) OR EXISTS (SELECT 1 FROM %1.sys.foreign_keys f "
                     "WHERE f.parent_object_id = o.object_id AND f.is_disabled = 0) THEN 1 ELSE 0 END "
                     "FROM %1.sys.columns c JOIN %1.sys.objects o ON o.object_id = c.object_id "
                     "JOIN %1.sys.schemas s ON s.schema_id = o.schema_id "
                     "JOIN %1.sys.types t ON t.user_type_id = c.system_type_id "
                     "WHERE s.name = N'dbo' AND o.name IN (%2) ORDER BY o.name, c.column_id")
                     .arg(db, nameList(tables)));
        std::map<QString, Table> found;
        for (q.open(); !q.eof(); q.next()) {
            const QString serverType = q.asText(2).trimmed().toLower();
            const std::optional<Type> type = bulkType(serverType);
            Column column;
            column.bulk.name = q.asText(1);
            column.bulk.ordinal = q.asInteger(9);
            column.bulk.type = type.value_or(Type::Binary);
            const int bytes = q.asInteger(3);
            const bool wide = serverType == u"nchar" || serverType == u"nvarchar";
            column.bulk.length = bytes < 0 ? -1 : wide ? bytes / 2 : bytes;
            column.bulk.precision = q.asInteger(4);
            column.bulk.scale = q.asInteger(5);
            column.bulk.nullable = q.asInteger(6) != 0;
            column.generated = q.asInteger(7) != 0;
            column.carried = type.has_value() && q.asInteger(8) == 0;
            column.type = readType(column.bulk, serverType);
            Table& table = found[q.asText(0).toLower()];
            table.columns.push_back(column);
            table.byInsert = q.asInteger(10) != 0;
        }
        q.close();
        m_tables = std::move(found);
        m_catalogRead = true;
    } catch (const std::exception&) {
        // Without the catalog every table goes by INSERT.
        q.close();
    }
}

bool BulkTargets::any() const
{
    for (const auto& entry : m_tables) {
        const Table& table = entry.second;
        if (!table.byInsert && std::all_of(table.columns.begin(), table.columns.end(),
                                           [](const Column& c) { return c.carried || c.generated; }))
            return true;
    }
    return false;
}

std::optional<BulkPlan> BulkTargets::plan(const QString& table, const QStringList& columns) const
{
    const auto found = m_tables.find(table.toLower());
    if (found == m_tables.end() || found->second.byInsert)
        return std::nullopt;
    BulkPlan plan;
    int filled = 0;
    for (const Column& column : found->second.columns) {
        const qsizetype value = indexOf(columns, column.bulk.name);
        if (column.generated) {
            // An INSERT that names an identity column is refused: that refusal stays the server's.
            if (value >= 0)
                return std::nullopt;
            continue;
        }
        if (value < 0 || !column.carried)
            return std::nullopt;
        plan.columns.push_back(column.bulk);
        plan.values.push_back(int(value));
        plan.types.append(column.type);
        ++filled;
    }
    // A column the table does not have stays the server's refusal too.
    if (filled != columns.size())
        return std::nullopt;
    return plan;
}

TableLoad::TableLoad(db::Connection& cn, db::Query& q, const DatabaseNames& names, const QString& table,
                     const BulkPlan& plan)
    : m_cn(cn), m_q(q)
{
    q.setSql(QStringLiteral("SELECT DB_NAME()"));
    q.open();
    const QString home = q.hasRow() ? q.asText(0) : QString();
    q.close();
    // Entered as a write is made: where the server no longer holds the
    // transaction, the write guard refuses it, and no row is loaded outside it.
    q.setSql(substituteNames(QStringLiteral("USE @destino"), names));
    q.execute();
    m_home = home;
    try {
        m_load = cn.startBulkLoad(substituteNames(QStringLiteral("@destino.dbo.") + table, names), plan.columns);
        if (!m_load)
            throw db::DbError(QStringLiteral("The connection cannot bulk load"));
    } catch (...) {
        leave();
        throw;
    }
}

TableLoad::~TableLoad()
{
    leave();
}

void TableLoad::finish()
{
    m_load->finish();
    leave();
    m_cn.confirmTransaction();
}

void TableLoad::leave() noexcept
{
    m_load.reset();
    if (m_home.isEmpty())
        return;
    // Left as a question, not a write: the way back must also be taken after
    // a failure that ended the transaction, which the write guard refuses.
    try {
        m_q.setSql(QStringLiteral("USE ") + quotedName(m_home));
        m_q.open();
        m_q.close();
    } catch (const std::exception&) {
        // A session that cannot go back is one the failure already lost.
    }
    m_home.clear();
}

}  // namespace core
