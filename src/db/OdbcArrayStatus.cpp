#include "db/OdbcArrayStatus.h"

#include "db/OdbcApi.h"

namespace db::odbc {

int failedParameterSet(std::span<const SQLUSMALLINT> statuses, SQLULEN processed, SQLLEN diagnosticRow)
{
    const auto sets = SQLLEN(statuses.size());
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        if (statuses[i] == SQL_PARAM_ERROR)
            return int(i);
    }
    if (diagnosticRow >= 1 && diagnosticRow <= sets)
        return int(diagnosticRow - 1);
    if (processed >= 1 && SQLLEN(processed) <= sets)
        return int(processed - 1);
    return 0;
}

}  // namespace db::odbc
