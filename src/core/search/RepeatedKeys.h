#pragma once

#include "core/common/SqlNames.h"
#include "core/search/DestinationRules.h"
#include "core/search/SourceKeys.h"
#include "core/steps/SourceStatement.h"
#include "db/Query.h"

#include <QString>
#include <vector>

namespace core {

// Source rows that would give a unique key of the destination one value.
struct RepeatedValue {
    Culprit culprit;  // the positions of their keys, ascending
    int rows = 0;     // how many rows share it
    QString columns;  // the key's columns: "codbarras", "familia, zona"
    QString value;    // "codbarras 5601234000031", "familia 1 e zona 0"
};

struct RepeatedValues {
    std::vector<RepeatedValue> found;
    int keysFound = 0;      // positions over all of found
    bool complete = true;   // false when more may share a value than were found
};

// The source rows of statement that share a value of one of keys, as the
// source's server finds them in one statement per key: each value as the
// destination column takes it (its type, and for text its collation), NULLs
// equal to each other as a unique index takes them, only the rows the key
// holds when it has a filter. Stops once keyLimit source keys are found. A
// key whose values the source's server cannot compare this way (an unknown
// type or collation, a value that does not convert) finds nothing: the tries
// are left to find its rows.
RepeatedValues repeatedValues(const SourceStatement& statement, const std::vector<UniqueKey>& keys,
                              const SourceKeys& sourceKeys, const DatabaseNames& names, db::Query& source,
                              int keyLimit);

}  // namespace core
