#include "db/OdbcBulkValues.h"

#include "db/DbError.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

namespace db::odbc::bulk {

using Type = BulkColumn::Type;

[[noreturn]] void refuse(const BulkColumn& column, const QString& why)
{
    throw DbError(QStringLiteral("O destino recusa o valor da coluna %1: %2").arg(column.name, why));
}

QString typeName(const BulkColumn& c)
{
    switch (c.type) {
    case Type::TinyInt: return QStringLiteral("tinyint");
    case Type::SmallInt: return QStringLiteral("smallint");
    case Type::Int: return QStringLiteral("int");
    case Type::BigInt: return QStringLiteral("bigint");
    case Type::Bit: return QStringLiteral("bit");
    case Type::Decimal: return QStringLiteral("decimal(%1,%2)").arg(c.precision).arg(c.scale);
    case Type::Money: return QStringLiteral("money");
    case Type::SmallMoney: return QStringLiteral("smallmoney");
    case Type::Float: return QStringLiteral("float");
    case Type::Real: return QStringLiteral("real");
    case Type::DateTime: return QStringLiteral("datetime");
    case Type::SmallDateTime: return QStringLiteral("smalldatetime");
    case Type::DateTime2: return QStringLiteral("datetime2(%1)").arg(c.scale);
    case Type::Date: return QStringLiteral("date");
    case Type::Text: return QStringLiteral("texto");
    case Type::Binary: return QStringLiteral("binário");
    }
    return {};
}

QString textOf(const ParamValue& value)
{
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return QString::number(*integer);
    if (const auto* amount = std::get_if<Amount>(&value))
        return amount->toText();
    if (const auto* real = std::get_if<double>(&value))
        return QString::number(*real, 'g', 17);
    return {};
}

[[noreturn]] void unconvertible(const BulkColumn& c, const ParamValue& value)
{
    refuse(c, QStringLiteral("'%1' não se converte em %2").arg(textOf(value), typeName(c)));
}

// A decimal number as digits and where its point falls among them.
struct Decimal {
    bool negative = false;
    QString digits;
    qsizetype point = 0;
};

std::optional<Decimal> parseDecimal(QStringView text)
{
    text = text.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        d.negative = text[i++] == u'-';
    d.point = -1;
    for (; i < text.size(); ++i) {
        if (text[i].isDigit() && text[i].unicode() < 128)
            d.digits.append(text[i]);
        else if (text[i] == u'.' && d.point < 0)
            d.point = d.digits.size();
        else
            break;
    }
    if (d.digits.isEmpty())
        return std::nullopt;
    if (d.point < 0)
        d.point = d.digits.size();
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        bool ok = false;
        const int exponent = text.mid(i + 1).toInt(&ok);
        if (!ok || std::abs(exponent) > 400)
            return std::nullopt;
        d.point += exponent;
        i = text.size();
    }
    if (i != text.size())
        return std::nullopt;
    return d;
}

Decimal decimalOf(const BulkColumn& c, const ParamValue& value)
{
    if (std::holds_alternative<std::int32_t>(value) || std::holds_alternative<QString>(value)
        || std::holds_alternative<Amount>(value) || std::holds_alternative<double>(value)) {
        if (const std::optional<Decimal> d = parseDecimal(textOf(value)))
            return *d;
    }
    unconvertible(c, value);
}

// The digits of d at scale places after the point, rounded half away from zero.
QString scaled(Decimal d, int scale)
{
    QString digits = d.digits;
    qsizetype point = d.point;
    while (point < 1) {  // a zero before the point, so that rounding has a place to carry into
        digits.prepend(u'0');
        ++point;
    }
    while (digits.size() < point + scale)
        digits.append(u'0');
    const qsizetype end = point + scale;
    const bool up = digits.size() > end && digits[end] >= u'5';
    digits.truncate(end);
    for (qsizetype i = digits.size() - 1; up && i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
            if (i == 0)
                digits.prepend(u'1');
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            break;
        }
    }
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    return digits;
}

bool fitsIn(const QString& digits, const QString& largest)
{
    return digits.size() < largest.size() || (digits.size() == largest.size() && digits <= largest);
}

SQL_NUMERIC_STRUCT numericFor(const BulkColumn& c, const ParamValue& value)
{
    int precision = c.precision;
    int scale = c.scale;
    if (c.type != Type::Decimal) {
        precision = c.type == Type::Money ? 19 : 10;
        scale = 4;
    }
    const Decimal d = decimalOf(c, value);
    const QString digits = scaled(d, scale);
    const bool negative = d.negative && digits != u"0";
    bool fits = digits.size() <= precision;
    if (c.type == Type::Money)
        fits = fitsIn(digits, negative ? QStringLiteral("9223372036854775808") : QStringLiteral("9223372036854775807"));
    else if (c.type == Type::SmallMoney)
        fits = fitsIn(digits, negative ? QStringLiteral("2147483648") : QStringLiteral("2147483647"));
    if (!fits)
        refuse(c, QStringLiteral("%1 não cabe em %2").arg(textOf(value).trimmed(), typeName(c)));

    SQL_NUMERIC_STRUCT n{};
    n.precision = SQLCHAR(precision);
    n.scale = SQLSCHAR(scale);
    n.sign = negative ? 0 : 1;
    // The digits as a 128-bit little-endian integer.
    for (const QChar digit : digits) {
        unsigned carry = digit.unicode() - u'0';
        for (SQLCHAR& byte : n.val) {
            const unsigned v = unsigned(byte) * 10u + carry;
            byte = SQLCHAR(v & 0xffu);
            carry = v >> 8;
        }
    }
    return n;
}

std::int64_t integerFor(const BulkColumn& c, const ParamValue& value, std::int64_t low, std::int64_t high)
{
    std::int64_t v = 0;
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        v = *integer;
    } else if (std::holds_alternative<QString>(value) || std::holds_alternative<Amount>(value)
               || std::holds_alternative<double>(value)) {
        // A decimal goes into a whole-number column without its fraction.
        const std::optional<Decimal> d = parseDecimal(textOf(value));
        if (!d)
            unconvertible(c, value);
        const QString whole = scaled(Decimal{d->negative, d->digits.left(std::max<qsizetype>(d->point, 0)), d->point}, 0);
        bool ok = false;
        v = (d->negative ? u'-' + whole : whole).toLongLong(&ok);
        if (!ok)
            refuse(c, QStringLiteral("%1 não cabe em %2").arg(textOf(value).trimmed(), typeName(c)));
    } else {
        unconvertible(c, value);
    }
    if (v < low || v > high)
        refuse(c, QStringLiteral("%1 não cabe em %2").arg(v).arg(typeName(c)));
    return v;
}

std::uint8_t bitFor(const BulkColumn& c, const ParamValue& value)
{
    if (const auto* text = std::get_if<QString>(&value)) {
        if (text->trimmed().compare(u"true", Qt::CaseInsensitive) == 0)
            return 1;
        if (text->trimmed().compare(u"false", Qt::CaseInsensitive) == 0)
            return 0;
    }
    return integerFor(c, value, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()) != 0;
}

double realFor(const BulkColumn& c, const ParamValue& value)
{
    double v = 0;
    if (const auto* real = std::get_if<double>(&value)) {
        v = *real;
    } else {
        bool ok = false;
        v = textOf(value).trimmed().toDouble(&ok);
        if (!ok || std::holds_alternative<std::monostate>(value))
            unconvertible(c, value);
    }
    if (!std::isfinite(v) || (c.type == Type::Real && std::abs(v) > double(std::numeric_limits<float>::max())))
        refuse(c, QStringLiteral("%1 não cabe em %2").arg(QString::number(v, 'g', 17), typeName(c)));
    return v;
}

// A date and time as the server holds it, with no time zone.
struct Moment {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    std::uint32_t nanoseconds;
};

Moment momentOf(const BulkColumn& c, const ParamValue& value)
{
    const auto of = [](const Timestamp& t) {
        return Moment{t.year, t.month, t.day, t.hour, t.minute, t.second, t.nanoseconds};
    };
    if (const auto* t = std::get_if<Timestamp>(&value))
        return of(*t);
    if (const auto* moment = std::get_if<QDateTime>(&value); moment && moment->isValid())
        return of(timestampOf(*moment));
    unconvertible(c, value);
}

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

Moment civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {int(std::int64_t(yoe) + era * 400 + (m <= 2)), int(m), int(d), 0, 0, 0, 0};
}

// A moment rounded to units of a second (in nanoseconds), carried into the next day where it must.
Moment rounded(Moment t, std::uint64_t unit)
{
    std::uint64_t ns = (std::uint64_t(t.nanoseconds) + unit / 2) / unit * unit;
    std::int64_t seconds = std::int64_t(t.hour) * 3600 + t.minute * 60 + t.second;
    std::int64_t days = daysFromCivil(t.year, unsigned(t.month), unsigned(t.day));
    if (ns >= 1000000000u) {
        ns -= 1000000000u;
        ++seconds;
    }
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    Moment out = civilFromDays(days);
    out.hour = int(seconds / 3600);
    out.minute = int(seconds / 60 % 60);
    out.second = int(seconds % 60);
    out.nanoseconds = std::uint32_t(ns);
    return out;
}

bool before(const Moment& a, int year, int month, int day)
{
    return std::make_tuple(a.year, a.month, a.day) < std::make_tuple(year, month, day);
}

bool after(const Moment& a, int year, int month, int day)
{
    return std::make_tuple(a.year, a.month, a.day) > std::make_tuple(year, month, day);
}

std::array<std::int32_t, 2> dateTimeFor(const BulkColumn& c, const ParamValue& value)
{
    Moment t = momentOf(c, value);
    std::int64_t days = daysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - daysFromCivil(1900, 1, 1);
    std::int64_t ticks = (std::int64_t(t.hour) * 3600 + t.minute * 60 + t.second) * 300
                       + (std::int64_t(t.nanoseconds) * 3 + 5000000) / 10000000;
    if (c.type == Type::SmallDateTime) {
        constexpr std::int64_t minute = 300 * 60;
        ticks = (ticks + minute / 2) / minute * minute;
    }
    if (ticks >= std::int64_t(300) * 86400) {
        ticks -= std::int64_t(300) * 86400;
        ++days;
    }
    const std::int64_t lowest = c.type == Type::SmallDateTime ? 0 : daysFromCivil(1753, 1, 1) - daysFromCivil(1900, 1, 1);
    const std::int64_t highest = c.type == Type::SmallDateTime ? daysFromCivil(2079, 6, 6) - daysFromCivil(1900, 1, 1)
                                                               : daysFromCivil(9999, 12, 31) - daysFromCivil(1900, 1, 1);
    if (days < lowest || days > highest)
        refuse(c, QStringLiteral("%1-%2-%3 não cabe em %4")
                      .arg(t.year, 4, 10, QLatin1Char('0'))
                      .arg(t.month, 2, 10, QLatin1Char('0'))
                      .arg(t.day, 2, 10, QLatin1Char('0'))
                      .arg(typeName(c)));
    return {std::int32_t(days), std::int32_t(ticks)};
}

SQL_TIMESTAMP_STRUCT timestampFor(const BulkColumn& c, const ParamValue& value)
{
    Moment t = momentOf(c, value);
    if (c.type == Type::Date) {
        t.hour = t.minute = t.second = 0;
        t.nanoseconds = 0;
    } else {
        std::uint64_t unit = 1;
        for (int i = std::clamp(c.scale, 0, 7); i < 9; ++i)
            unit *= 10;
        t = rounded(t, unit);
    }
    if (before(t, 1, 1, 1) || after(t, 9999, 12, 31))
        refuse(c, QStringLiteral("a data não cabe em %1").arg(typeName(c)));
    return {SQLSMALLINT(t.year), SQLUSMALLINT(t.month), SQLUSMALLINT(t.day), SQLUSMALLINT(t.hour),
            SQLUSMALLINT(t.minute), SQLUSMALLINT(t.second), SQLUINTEGER(t.nanoseconds)};
}

QString fittedText(const BulkColumn& c, const ParamValue& value)
{
    if (!std::holds_alternative<QString>(value) && !std::holds_alternative<std::int32_t>(value)
        && !std::holds_alternative<Amount>(value))
        unconvertible(c, value);
    QString text = textOf(value);
    if (c.length >= 0 && text.size() > c.length) {
        qsizetype significant = text.size();
        while (significant > c.length && text[significant - 1] == u' ')
            --significant;
        if (significant > c.length)
            refuse(c, QStringLiteral("tem %1 caracteres; a coluna leva %2").arg(text.size()).arg(c.length));
        text.truncate(c.length);
    }
    return text;
}

const QByteArray& fittedBytes(const BulkColumn& c, const ParamValue& value)
{
    const auto* bytes = std::get_if<QByteArray>(&value);
    if (!bytes)
        unconvertible(c, value);
    if (c.length >= 0 && bytes->size() > c.length)
        refuse(c, QStringLiteral("tem %1 bytes; a coluna leva %2").arg(bytes->size()).arg(c.length));
    return *bytes;
}

}  // namespace db::odbc::bulk
