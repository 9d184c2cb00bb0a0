#pragma once

#include "db/ParamValue.h"

#include <QStringList>
#include <vector>

namespace db {

// The rows of one SELECT, read one at a time as the server sends them, so a
// table of any size passes through in little memory. Each value comes in the
// kind that keeps it exact: integers, floating values as doubles, exact
// numbers and text as text, binary as bytes, dates as Timestamps, NULL as
// monostate. Failures raise DbError.
class RowCursor {
public:
    virtual ~RowCursor();

    virtual const QStringList& columns() const = 0;
    // Fills row with the next row's values; false once there are no more.
    virtual bool next(std::vector<ParamValue>& row) = 0;
};

}  // namespace db
