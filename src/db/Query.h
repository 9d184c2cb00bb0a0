#pragma once

#include "db/Amount.h"
#include "db/NamedParameters.h"
#include "db/ParamValue.h"
#include "db/ResultSet.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace db {

// A statement on a connection. Cursor, field reading and named parameters are
// common to every kind of connection; a subclass only runs the statements.
//
// Misuse (an unknown field or parameter, reading with no current row) raises
// DbError with the query's name in front: "q_exec: Field 'x' not found".
class Query {
public:
    explicit Query(QString name);
    virtual ~Query();

    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const QString& name() const { return m_name; }

    // Replaces the whole statement and closes the query. Every ":name" becomes
    // a parameter with no value yet.
    void setSql(const QString& sql);
    const QString& sql() const { return m_sql; }

    // Runs a statement that returns no rows.
    void execute();
    // Runs a statement that returns rows, fetches them all and stands on the first.
    void open();
    // Closing a closed query does nothing.
    void close();
    bool isOpen() const { return m_open; }

    // The statement once per row: bindRow(i) sets the parameters of row i
    // (0-based, in order) just before that row is sent. Rows go to the server
    // in batches where the connection can; each row is still its own execution.
    // A failure names the row (1-based) in its text.
    void executeForRows(int rowCount, const std::function<void(int row)>& bindRow);
    // The same for rows that come one at a time: bindNext sets the next row's
    // parameters and says true, or says false when there are no more. A batch
    // also goes once its values reach kBatchBytes, so long values never pile up.
    void executeForEach(const std::function<bool()>& bindNext);

    // Cursor. hasRow is false exactly when the result is empty.
    bool hasRow() const;
    bool eof() const;
    void next();
    int rowCount() const;

    // Column lookup, names compared without regard to case; works on an empty result.
    int fieldIndex(const QString& name) const;
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    const QStringList& fieldNames() const;

    // Field readers on the current row. NULL reads as 0, empty text or 0.
    bool isNull(int column) const { return !currentValue(column); }
    std::int32_t asInteger(int column) const;
    std::int32_t asInteger(const QString& column) const;
    QString asText(int column) const;
    QString asText(const QString& column) const;
    Amount asAmount(int column) const;
    Amount asAmount(const QString& column) const;

    // Parameter values, by name without regard to case; every occurrence of
    // the name takes the value.
    void setInteger(const QString& param, std::int32_t value);
    void setText(const QString& param, const QString& value);
    void setAmount(const QString& param, Amount value);
    void setDateTime(const QString& param, const QDateTime& value);
    // Every marker's value at once, in the order the markers stand in the text.
    void setValues(const std::vector<ParamValue>& values);

    // The statement as sent ('?' markers) and the values bound to its markers.
    const NamedStatement& statement() const { return m_statement; }
    const std::vector<ParamValue>& paramValues() const { return m_values; }

    // Rows per round trip in executeForRows.
    static constexpr int kBatchRows = 1000;
    static constexpr std::size_t kBatchBytes = 16u * 1024u * 1024u;

protected:
    // firstRow is the 1-based number, within executeForRows, of rows[0]; a
    // failure is expected to name the row it happened at. The values of each
    // row follow the markers of the statement.
    virtual void runExecute(const NamedStatement& statement, const std::vector<ParamValue>& values) = 0;
    virtual ResultSet runOpen(const NamedStatement& statement, const std::vector<ParamValue>& values) = 0;
    virtual void runBatch(const NamedStatement& statement,
                          const std::vector<std::vector<ParamValue>>& rows, int firstRow) = 0;
    // Called when executeForRows ends, however it ends, so a subclass can let
    // go of a statement it kept prepared across batches.
    virtual void endBatches() {}

    [[noreturn]] void fail(const QString& message) const;

private:
    const std::optional<QString>& currentValue(int column) const;
    int requireField(const QString& name) const;
    void setParam(const QString& param, ParamValue value);

    QString m_name;
    QString m_sql;
    NamedStatement m_statement;
    std::vector<ParamValue> m_values;
    ResultSet m_result;
    bool m_open = false;
    int m_position = 0;
};

}  // namespace db
