#pragma once

#include "db/OdbcApi.h"
#include "db/ParamValue.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace db::odbc {

// What the server said a parameter marker expects (SQLDescribeParam).
struct ParamDescription {
    SQLSMALLINT sqlType = 0;
    SQLULEN columnSize = 0;
    SQLSMALLINT decimalDigits = 0;
};

// The values of one or more executions of a statement, laid out column by
// column as a driver reads parameter arrays, ready to bind. Integers go as
// SQL_INTEGER, text as SQL_WVARCHAR, amounts as decimal(19,4) text,
// date-times as timestamps in local time (Timestamps as they are), doubles as
// SQL_DOUBLE and bytes as SQL_VARBINARY, unless the server described the
// marker: then its type is sent and the driver converts.
class ParameterBlock {
public:
    // Every row holds one value per marker; described has one entry per marker
    // or is empty.
    ParameterBlock(std::span<const std::vector<ParamValue>> rows,
                   const std::vector<std::optional<ParamDescription>>& described);

    // The block must stay alive, unmoved, until the statement has executed.
    void bind(SQLHSTMT statement);

    // Roughly the memory a block for these rows takes; very long text makes
    // parameter arrays too costly to build.
    static std::size_t estimatedBytes(std::span<const std::vector<ParamValue>> rows);

private:
    struct Column {
        SQLSMALLINT cType = SQL_C_WCHAR;
        SQLSMALLINT sqlType = SQL_WVARCHAR;
        SQLULEN columnSize = 1;
        SQLSMALLINT decimalDigits = 0;
        SQLLEN elementBytes = 0;
        std::vector<SQLINTEGER> integers;
        std::vector<SQLWCHAR> text;
        std::vector<SQL_TIMESTAMP_STRUCT> timestamps;
        std::vector<double> doubles;
        std::vector<unsigned char> bytes;
        std::vector<SQLLEN> indicators;

        SQLPOINTER data();
    };

    std::vector<Column> m_columns;
};

}  // namespace db::odbc
