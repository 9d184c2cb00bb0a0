#include "core/steps/CrossServerCopy.h"

#include "db/DbError.h"
#include "db/SqlLiteral.h"

namespace core {

namespace {

// Rows in one INSERT ... VALUES: SQL Server's limit for one list.
constexpr int kRowsPerInsert = 1000;
// Characters after which an INSERT goes with fewer rows, so long values never pile up.
constexpr qsizetype kInsertCharacters = 4 * 1024 * 1024;

// Parameter arrays: the way every server and driver takes, one execution per row.
void copyInArrays(db::RowCursor& rows, db::Query& destination, const SplitStatement& split, const DatabaseNames& names)
{
    destination.setSql(substituteNames(split.insert(), names));
    std::vector<db::ParamValue> row;
    destination.executeForEach([&] {
        if (!rows.next(row))
            return false;
        destination.setValues(row);
        return true;
    });
}

// Many rows in one INSERT, each value written as its exact literal: the
// server parses a statement once for a thousand rows, where it parses a
// parameter array's statement once a row. The step's constants stand once in
// the SELECT, not in every row: the server's work grows with the values.
void copyInLiterals(db::RowCursor& rows, db::Query& destination, const SplitStatement& split,
                    const DatabaseNames& names)
{
    const QString head = substituteNames(QStringLiteral("INSERT INTO ") + split.table + QStringLiteral(" (") +
                                             split.columns.join(QStringLiteral(", ")) + QStringLiteral(") SELECT "),
                                         names);
    std::vector<db::ParamValue> row;
    QString values;
    bool more = rows.next(row);
    while (more) {
        // A column of the VALUES that is NULL in every row is typed int,
        // which a date or time column refuses: the SELECT writes a bare NULL.
        std::vector<bool> valued(row.size(), false);
        values.clear();
        for (int count = 0; more && count < kRowsPerInsert && values.size() < kInsertCharacters; ++count) {
            values += count == 0 ? QStringLiteral("(") : QStringLiteral(", (");
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c > 0)
                    values += QStringLiteral(", ");
                valued[c] = valued[c] || !std::holds_alternative<std::monostate>(row[c]);
                db::appendSqlLiteral(values, row[c]);
            }
            values += u')';
            more = rows.next(row);
        }
        QStringList selected;
        QStringList read;
        for (qsizetype c = 0; c < split.values.size(); ++c) {
            if (split.constant[c]) {
                selected.append(split.values[c]);
                continue;
            }
            read.append(QStringLiteral("c%1").arg(read.size() + 1));
            selected.append(valued[std::size_t(read.size() - 1)] ? QStringLiteral("v.") + read.back()
                                                                  : QStringLiteral("NULL"));
        }
        destination.setSql(head + selected.join(QStringLiteral(", ")) + QStringLiteral(" FROM (VALUES ") + values +
                           QStringLiteral(") AS v (") + read.join(QStringLiteral(", ")) + u')');
        destination.execute();
    }
}

// The rows of a copy by INSERT, a batch at a time.
void insertRows(db::RowCursor& rows, const SplitStatement& split, const DatabaseNames& names, const StepSides& sides)
{
    if (sides.rowsInOneInsert)
        copyInLiterals(rows, sides.destination, split, names);
    else
        copyInArrays(rows, sides.destination, split, names);
}

// Rows held back from a bulk load, to go by INSERT.
class HeldRows final : public db::RowCursor {
public:
    explicit HeldRows(const QStringList& columns) : m_columns(columns) {}

    const QStringList& columns() const override { return m_columns; }
    bool next(std::vector<db::ParamValue>& row) override
    {
        if (m_next == m_rows.size())
            return false;
        row = std::move(m_rows[m_next++]);
        return true;
    }

    void hold(const std::vector<db::ParamValue>& row)
    {
        m_rows.push_back(row);
        for (const db::ParamValue& value : row) {
            if (const auto* text = std::get_if<QString>(&value))
                m_characters += text->size();
            else if (const auto* bytes = std::get_if<QByteArray>(&value))
                m_characters += 2 * bytes->size();
        }
    }
    bool full() const { return m_rows.size() >= std::size_t(kRowsPerInsert) || m_characters >= kInsertCharacters; }
    bool empty() const { return m_rows.empty(); }
    void clear()
    {
        m_rows.clear();
        m_next = 0;
        m_characters = 0;
    }

private:
    QStringList m_columns;
    std::vector<std::vector<db::ParamValue>> m_rows;
    std::size_t m_next = 0;
    qsizetype m_characters = 0;
};

// The copy by bulk load, each value read as its destination column's type.
// A row the driver does not carry whole is held back and goes by INSERT,
// between two loads.
void copyInBulk(const BulkPlan& plan, const SplitStatement& split, const QString& where, const DatabaseNames& names,
                const StepSides& sides)
{
    SplitStatement held{split.table};
    for (std::size_t c = 0; c < plan.columns.size(); ++c) {
        held.columns.append(split.columns[plan.values[c]]);
        held.values.append(QString());
        held.constant.append(false);
    }
    const QString table = split.table.section(u'.', -1);
    const std::unique_ptr<db::RowCursor> rows = openBulkRows(*sides.sourceServer, split, plan, names, where);

    HeldRows heldBack(held.columns);
    const auto loadHeldBack = [&] {
        insertRows(heldBack, held, names, sides);
        heldBack.clear();
    };
    std::optional<TableLoad> load;
    std::vector<db::ParamValue> row;
    while (rows->next(row)) {
        if (!load)
            load.emplace(sides.transactions, sides.destination, names, table, plan);
        if ((*load)->carries(row)) {
            (*load)->send(row);
            continue;
        }
        heldBack.hold(row);
        if (heldBack.full()) {
            load->finish();
            load.reset();
            loadHeldBack();
        }
    }
    if (load)
        load->finish();
    load.reset();
    if (!heldBack.empty())
        loadHeldBack();
}

// The rows of a copy by bulk load, in the table's column order, each value
// cast on the source's server to its column's type: the values read with
// every row, the step's constants once.
class CastRows final : public db::RowCursor {
public:
    CastRows(db::Connection& source, const SplitStatement& split, const BulkPlan& plan, const DatabaseNames& names,
             const QString& where)
        : m_row(plan.columns.size())
    {
        QStringList constants;
        QStringList read;
        for (std::size_t c = 0; c < plan.columns.size(); ++c) {
            const int value = plan.values[c];
            const QString cast = QStringLiteral("CAST(%1 AS %2)").arg(split.values[value], plan.types[qsizetype(c)]);
            (split.constant[value] ? constants : read).append(cast);
            (split.constant[value] ? m_constants : m_read).push_back(c);
            m_columns.append(split.columns[value]);
        }
        if (!constants.isEmpty()) {
            const std::unique_ptr<db::RowCursor> once =
                source.openCursor(substituteNames(QStringLiteral("SELECT ") + constants.join(QStringLiteral(", ")), names));
            std::vector<db::ParamValue> values;
            if (!once->next(values))
                throw db::DbError(QStringLiteral("The source's server gave no row of the step's constants"));
            for (std::size_t k = 0; k < m_constants.size(); ++k)
                m_row[m_constants[k]] = values[k];
            while (once->next(values)) {
            }
        }
        // A copy of constants only still reads one row per source row.
        m_rows = source.openCursor(substituteNames(
            QStringLiteral("SELECT ") + (read.isEmpty() ? QStringLiteral("1") : read.join(QStringLiteral(", "))) + split.rows,
            names, where));
    }

    const QStringList& columns() const override { return m_columns; }
    bool next(std::vector<db::ParamValue>& row) override
    {
        if (!m_rows->next(m_values))
            return false;
        for (std::size_t k = 0; k < m_read.size(); ++k)
            m_row[m_read[k]] = std::move(m_values[k]);
        row = m_row;
        return true;
    }

private:
    QStringList m_columns;
    std::vector<std::size_t> m_constants;  // their places in the row
    std::vector<std::size_t> m_read;
    std::vector<db::ParamValue> m_row;
    std::vector<db::ParamValue> m_values;
    std::unique_ptr<db::RowCursor> m_rows;
};

void copyAcross(const SplitStatement& split, const QString& where, const DatabaseNames& names, const StepSides& sides)
{
    if (sides.bulk) {
        if (const std::optional<BulkPlan> plan = sides.bulk->plan(split.table.section(u'.', -1), split.columns)) {
            copyInBulk(*plan, split, where, names, sides);
            return;
        }
    }
    const std::unique_ptr<db::RowCursor> rows =
        sides.sourceServer->openCursor(substituteNames(split.sourceQuery(), names, where));
    insertRows(*rows, split, names, sides);
}

}  // namespace

std::unique_ptr<db::RowCursor> openBulkRows(db::Connection& source, const SplitStatement& split, const BulkPlan& plan,
                                            const DatabaseNames& names, const QString& condition)
{
    return std::make_unique<CastRows>(source, split, plan, names, condition);
}

QString SplitStatement::sourceQuery() const
{
    QStringList read;
    for (qsizetype c = 0; c < values.size(); ++c) {
        if (!constant[c])
            read.append(values[c]);
    }
    return QStringLiteral("SELECT ") + read.join(QStringLiteral(", ")) + rows;
}

QString SplitStatement::insert() const
{
    QStringList markers;
    int read = 0;
    for (qsizetype c = 0; c < values.size(); ++c)
        markers.append(constant[c] ? values[c] : QStringLiteral(":c%1").arg(++read));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, columns.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")));
}

void runStepStatement(const StepStatement& statement, const DatabaseNames& names, const StepSides& sides)
{
    if (sides.sourceServer && statement.acrossServers) {
        copyAcross(*statement.acrossServers, statement.where, names, sides);
        return;
    }
    sides.destination.setSql(substituteNames(statement.sql, names, statement.where));
    sides.destination.execute();
}

}  // namespace core
