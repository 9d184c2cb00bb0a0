#pragma once

#include "db/OdbcApi.h"

#include <optional>
#include <span>

namespace db::odbc {

// Which parameter set (0-based) of an array execution failed, from what the
// driver left: the status array where it fills one in, else the row number
// of the error record. Without either it is not known: the count of sets
// processed does not tell, since SQL Server drivers go on past a failed set.
std::optional<int> failedParameterSet(std::span<const SQLUSMALLINT> statuses, SQLLEN diagnosticRow);

}  // namespace db::odbc
