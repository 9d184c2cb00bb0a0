#pragma once

// How a value becomes what a bulk-loaded column holds: the conversions an
// INSERT makes on the server, and its refusals, made before the value
// reaches the driver. Each raises DbError naming the column for a value its
// column cannot hold.

#include "db/BulkLoad.h"
#include "db/OdbcApi.h"

#include <QString>
#include <array>
#include <cstdint>

namespace db::odbc::bulk {

[[noreturn]] void refuse(const BulkColumn& column, const QString& why);

// Whole numbers within low and high; a decimal loses its fraction.
std::int64_t integerFor(const BulkColumn& column, const ParamValue& value, std::int64_t low, std::int64_t high);
// Any number but zero is 1; text may also say true or false.
std::uint8_t bitFor(const BulkColumn& column, const ParamValue& value);
// An exact number for a decimal, money or smallmoney column, rounded half
// away from zero to its scale.
SQL_NUMERIC_STRUCT numericFor(const BulkColumn& column, const ParamValue& value);
double realFor(const BulkColumn& column, const ParamValue& value);
// datetime as the server keeps it: days since 1900 and 300ths of a second,
// rounded to the nearest; smalldatetime to the minute, 29.998 seconds down.
std::array<std::int32_t, 2> dateTimeFor(const BulkColumn& column, const ParamValue& value);
// datetime2 rounded to its digits of a second; date without its time.
SQL_TIMESTAMP_STRUCT timestampFor(const BulkColumn& column, const ParamValue& value);
// Text within the column's length: trailing blanks beyond it go without
// complaint, as the server drops them in an INSERT.
QString fittedText(const BulkColumn& column, const ParamValue& value);
// Bytes within the column's length.
const QByteArray& fittedBytes(const BulkColumn& column, const ParamValue& value);

}  // namespace db::odbc::bulk
