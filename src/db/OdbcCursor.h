#pragma once

#include "db/OdbcStatement.h"
#include "db/RowCursor.h"

#include <vector>

namespace db::odbc {

// A RowCursor over one statement handle: each row is fetched when asked for,
// each value read in the C type that keeps its column's type exact.
class OdbcCursor final : public RowCursor {
public:
    // Runs sql on the statement and stands before its first row.
    OdbcCursor(Statement statement, const QString& sql);

    const QStringList& columns() const override { return m_columns; }
    bool next(std::vector<ParamValue>& row) override;

private:
    enum class Read { Integer, Double, Timestamp, Binary, Text };

    ParamValue readValue(SQLUSMALLINT column, Read read);

    Statement m_statement;
    QStringList m_columns;
    std::vector<Read> m_reads;
    bool m_done = false;
};

}  // namespace db::odbc
