#include "db/OdbcArrayStatus.h"

#include "db/OdbcApi.h"

namespace db::odbc {

std::optional<int> failedParameterSet(std::span<const SQLUSMALLINT> statuses, SQLLEN diagnosticRow)
{
    const auto sets = SQLLEN(statuses.size());
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        if (statuses[i] == SQL_PARAM_ERROR)
            return int(i);
    }
    if (diagnosticRow >= 1 && diagnosticRow <= sets)
        return int(diagnosticRow - 1);
    return std::nullopt;
}

}  // namespace db::odbc
