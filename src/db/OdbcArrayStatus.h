#pragma once

#include "db/OdbcApi.h"

#include <span>

namespace db::odbc {

// Which parameter set (0-based) of an array execution failed, from what the
// driver left: the status array where it fills one in, else the row number
// of the error record, else the count of sets processed (which includes the
// failing one). With none of these it can only say the first.
int failedParameterSet(std::span<const SQLUSMALLINT> statuses, SQLULEN processed, SQLLEN diagnosticRow);

}  // namespace db::odbc
