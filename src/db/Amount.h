#pragma once

#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>
#include <optional>

namespace db {

// A fixed-point amount with four decimal places, held exactly as a count of
// ten-thousandths, like the server's money and decimal(19,4) columns.
struct Amount {
    static constexpr std::int64_t kScale = 10000;

    std::int64_t tenThousandths = 0;

    static constexpr Amount fromScaled(std::int64_t v) { return Amount{v}; }

    // Parses decimal text ("-12.5", "3", "1.23456", "1e-3", " 7.10 "), rounding
    // to the nearest ten-thousandth, halves away from zero. Empty or
    // malformed text, or a value out of range, gives nothing.
    static std::optional<Amount> parse(QStringView text);

    // Always four decimals and a '.' separator: "-12.5000".
    QString toText() const;

    friend constexpr auto operator<=>(const Amount&, const Amount&) = default;
};

}  // namespace db
