#pragma once

#include "db/ParamValue.h"

#include <QString>
#include <vector>

namespace db {

// A destination column as a bulk load fills it, from the server's catalog.
struct BulkColumn {
    enum class Type {
        TinyInt, SmallInt, Int, BigInt, Bit,
        Decimal, Money, SmallMoney, Float, Real,
        DateTime, SmallDateTime, DateTime2, Date,
        Text, Binary,
    };

    QString name;
    int ordinal = 0;    // its place among the table's columns, from 1
    Type type = Type::Int;
    int length = 0;     // text: characters; binary: bytes; -1 for (max)
    int precision = 0;  // decimal
    int scale = 0;      // decimal; datetime2's digits of a second
    bool nullable = true;
};

// Rows going into one table through the server's bulk load (TDS bulk copy),
// inside the connection's open transaction, each value in its column's own
// binary form. The server fires no trigger in a bulk load; the load asks it
// to keep NULLs and to check the table's constraints.
//
// Values come one per column, in the columns' order, of the kind that holds
// them exactly (ParamValue); a value of another kind is converted as the
// server converts it in an INSERT, and one its column cannot hold (too long,
// out of range, NULL where the column takes none) is refused, as the server
// refuses it, before anything of its row is sent.
class BulkLoad {
public:
    virtual ~BulkLoad();

    // Whether the driver carries this row exactly. A row it does not must
    // reach the table another way; send refuses it.
    virtual bool carries(const std::vector<ParamValue>& row) const = 0;
    // Sends one row. A refusal raises DbError and ends the load.
    virtual void send(const std::vector<ParamValue>& row) = 0;
    // Ends the load; its rows then stand in the open transaction. The
    // server's refusal of any row raises DbError. A load that goes unfinished
    // is ended by its destructor, its rows left to the caller's rollback.
    virtual void finish() = 0;
};

}  // namespace db
