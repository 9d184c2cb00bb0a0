#pragma once

#include "db/Amount.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <variant>

namespace db {

// A date and time as a server holds it, with no time zone: carried from one
// server to another as it is, never through the local clock, which would
// move the hour a summer-time change skips.
struct Timestamp {
    std::int16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint32_t nanoseconds = 0;

    bool operator==(const Timestamp&) const = default;
};

// A value bound to a statement parameter; monostate is SQL NULL. Double,
// bytes and Timestamp are what rows read from another server carry.
using ParamValue =
    std::variant<std::monostate, std::int32_t, QString, Amount, QDateTime, double, QByteArray, Timestamp>;

// A moment of this machine's clock as a parameter carries it: the local
// time, to the millisecond.
inline Timestamp timestampOf(const QDateTime& value)
{
    const QDateTime local = value.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return {std::int16_t(d.year()),     std::uint16_t(d.month()),  std::uint16_t(d.day()),
            std::uint16_t(t.hour()),    std::uint16_t(t.minute()), std::uint16_t(t.second()),
            std::uint32_t(t.msec()) * 1000000u};
}

}  // namespace db
