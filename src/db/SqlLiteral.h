#pragma once

#include "db/ParamValue.h"

#include <QString>

namespace db {

// Appends value to sql as a T-SQL literal that the server reads back exactly,
// of the value's own type, as a parameter would carry it: NULL; integers;
// amounts as decimals; floating values with every digit that tells them
// apart; text as N'...' with its quotes doubled; bytes as 0x...; dates in
// ISO 8601 to the millisecond, and with seven decimals as datetime2 where the
// value has finer digits than that.
void appendSqlLiteral(QString& sql, const ParamValue& value);

}  // namespace db
