#pragma once

#include "db/BulkLoad.h"

#include <cstddef>
#include <vector>

namespace db::odbc {

// The form a driver takes text in, in a bulk load: its client character set.
enum class BulkText { Utf8, Utf16 };

// One row of a bulk load in the binary forms its columns are bound with, as
// the TDS types both FreeTDS and Microsoft's drivers take: each value behind
// a four-byte length (SQL_NULL_DATA for NULL), in a buffer of its column
// that keeps its place from row to row until a value outgrows it.
//
// The one place where a value is made to fit its column: a value of another
// kind is converted as the server converts it in an INSERT (text to the
// column's length, trailing blanks beyond it dropped; decimals rounded half
// away from zero to the column's scale; date-times rounded to what the
// column holds), and one the column cannot hold is refused (DbError) before
// anything of its row reaches the driver, which would otherwise cut it or
// fail on it.
class BulkRow {
public:
    BulkRow(std::vector<BulkColumn> columns, BulkText text);

    std::size_t size() const { return m_columns.size(); }
    const BulkColumn& column(std::size_t i) const { return m_columns[i]; }
    // The TDS type the column's values are bound as.
    int hostType(std::size_t i) const;
    // Where the column's length and value stand.
    const unsigned char* data(std::size_t i) const { return m_buffers[i].data(); }
    // The length the last pack wrote for the column; -1 for NULL.
    int length(std::size_t i) const;

    // Packs row, one value per column. True when a buffer moved, so that its
    // binding must point to the new place.
    bool pack(const std::vector<ParamValue>& row);

private:
    void put(std::size_t i, const void* value, std::size_t bytes);

    std::vector<BulkColumn> m_columns;
    BulkText m_text;
    std::vector<std::vector<unsigned char>> m_buffers;
    bool m_moved = false;
};

}  // namespace db::odbc
