#include "db/Amount.h"

#include <limits>

namespace db {

namespace {

constexpr int kDecimals = 4;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<Amount> Amount::parse(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }

    // Significant digits, and where the decimal point falls among them.
    QString digits;
    qsizetype pointAt = -1;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            digits.append(text[i]);
        else if (text[i] == u'.' && pointAt < 0)
            pointAt = digits.size();
        else
            break;
    }
    if (digits.isEmpty())
        return std::nullopt;
    if (pointAt < 0)
        pointAt = digits.size();

    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        const qsizetype expStart = i;
        qint64 exponent = 0;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i].unicode() - u'0');
            if (exponent > 400)
                return std::nullopt;
        }
        if (i == expStart)
            return std::nullopt;
        pointAt += expNegative ? -exponent : exponent;
    }
    if (i != text.size())
        return std::nullopt;

    // Value = digits * 10^(pointAt - digits.size()); we want it * 10^4, rounded.
    const qsizetype keep = pointAt + kDecimals;  // digits that land before the rounding point
    std::int64_t scaled = 0;
    for (qsizetype d = 0; d < keep; ++d) {
        const int digit = d < digits.size() ? digits[d].unicode() - u'0' : 0;
        if (scaled > (kMax - digit) / 10)
            return std::nullopt;
        scaled = scaled * 10 + digit;
    }
    if (keep >= 0 && keep < digits.size() && digits[keep] >= u'5') {
        if (scaled == kMax)
            return std::nullopt;
        ++scaled;
    }
    return Amount{negative ? -scaled : scaled};
}

QString Amount::toText() const
{
    const bool negative = tenThousandths < 0;
    // Work in unsigned so the most negative value does not overflow.
    const std::uint64_t magnitude = negative ? std::uint64_t(0) - std::uint64_t(tenThousandths)
                                             : std::uint64_t(tenThousandths);
    const QString fraction = QString::number(magnitude % kScale).rightJustified(kDecimals, u'0');
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / kScale) + u'.' + fraction;
}

}  // namespace db
