#pragma once

#include "core/common/SqlNames.h"
#include "core/search/RowProblems.h"
#include "db/Query.h"

#include <QString>
#include <map>
#include <vector>

namespace core {

// A column of a destination key, as the catalog describes it.
struct KeyColumn {
    QString name;       // lower case
    QString type;       // the system type: "nvarchar", "int", "decimal", ...
    int maxLength = 0;  // in bytes; -1 for max
    int precision = 0;
    int scale = 0;
    QString collation;  // empty for a column that holds no text
    bool nullable = true;
};

// A unique index of a destination table (its primary key and unique
// constraints among them), one that refuses a repeated value.
struct UniqueKey {
    std::vector<KeyColumn> columns;  // in the key's order
    bool primary = false;
    QString filter;  // the rows it holds, when only some: the server's own text
};

struct TableRules {
    std::map<QString, ColumnRule> columns;  // by lower-case name
    std::vector<UniqueKey> uniqueKeys;
    QStringList primaryKey;  // lower case
};

// The rules of a destination table, asked through q. The keys come from the
// catalog views, which show unique indexes too; an index that is disabled
// or hypothetical, or that drops a repeated row with a warning, refuses
// nothing and is left out. Empty where the server cannot tell: each row is then named with the
// server's words.
TableRules destinationRules(const QString& table, const DatabaseNames& names, db::Query& q);

}  // namespace core
