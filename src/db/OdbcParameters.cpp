#include "db/OdbcParameters.h"

#include "db/OdbcDiagnostics.h"

#include <QDateTime>
#include <algorithm>
#include <limits>

namespace db::odbc {

namespace {

enum class Kind { Null, Integer, Text, Amount, DateTime, Double, Binary, Timestamp };

Kind kindOf(const ParamValue& value)
{
    switch (value.index()) {
    case 1: return Kind::Integer;
    case 2: return Kind::Text;
    case 3: return Kind::Amount;
    case 4: return std::get<QDateTime>(value).isValid() ? Kind::DateTime : Kind::Null;
    case 5: return Kind::Double;
    case 6: return Kind::Binary;
    case 7: return Kind::Timestamp;
    default: return Kind::Null;
    }
}

QString timestampText(const Timestamp& t)
{
    return QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
        .arg(t.year, 4, 10, QLatin1Char('0'))
        .arg(t.month, 2, 10, QLatin1Char('0'))
        .arg(t.day, 2, 10, QLatin1Char('0'))
        .arg(t.hour, 2, 10, QLatin1Char('0'))
        .arg(t.minute, 2, 10, QLatin1Char('0'))
        .arg(t.second, 2, 10, QLatin1Char('0'))
        .arg(t.nanoseconds, 9, 10, QLatin1Char('0'));
}

QString asText(const ParamValue& value)
{
    switch (kindOf(value)) {
    case Kind::Integer: return QString::number(std::get<std::int32_t>(value));
    case Kind::Text: return std::get<QString>(value);
    case Kind::Amount: return std::get<Amount>(value).toText();
    case Kind::DateTime:
        return std::get<QDateTime>(value).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    case Kind::Double: return QString::number(std::get<double>(value), 'g', 17);
    case Kind::Binary: return QString::fromLatin1(std::get<QByteArray>(value).toHex());
    case Kind::Timestamp: return timestampText(std::get<Timestamp>(value));
    case Kind::Null: break;
    }
    return {};
}

bool isCharacterType(SQLSMALLINT t)
{
    return t == SQL_CHAR || t == SQL_VARCHAR || t == SQL_LONGVARCHAR || t == SQL_WCHAR || t == SQL_WVARCHAR
        || t == SQL_WLONGVARCHAR;
}

// The longest text a sized NVARCHAR parameter holds. Past it a driver may
// send NVARCHAR(4000) and cut the value there (FreeTDS does); as long text
// (NVARCHAR(MAX)) it arrives whole.
constexpr SQLULEN kLongestSizedText = 4000;

SQLSMALLINT longTextType(SQLSMALLINT t)
{
    if (t == SQL_CHAR || t == SQL_VARCHAR)
        return SQL_LONGVARCHAR;
    if (t == SQL_WCHAR || t == SQL_WVARCHAR)
        return SQL_WLONGVARCHAR;
    return t;
}

bool isBinaryType(SQLSMALLINT t)
{
    return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY;
}

// The longest value a sized VARBINARY parameter holds; past it, VARBINARY(MAX).
constexpr SQLULEN kLongestSizedBinary = 8000;

SQL_TIMESTAMP_STRUCT fitted(SQL_TIMESTAMP_STRUCT ts, const ParamDescription* target);

SQL_TIMESTAMP_STRUCT timestampFor(const Timestamp& value, const ParamDescription* target)
{
    return fitted({value.year, value.month, value.day, value.hour, value.minute, value.second, value.nanoseconds},
                  target);
}

SQL_TIMESTAMP_STRUCT timestampFor(const QDateTime& value, const ParamDescription* target)
{
    return timestampFor(timestampOf(value), target);
}

// A timestamp with more fractional digits than the target holds is refused
// by some drivers instead of rounded, and a date target refuses a time of day.
SQL_TIMESTAMP_STRUCT fitted(SQL_TIMESTAMP_STRUCT ts, const ParamDescription* target)
{
    if (target && (target->sqlType == SQL_TYPE_DATE || target->sqlType == SQL_DATE)) {
        ts.hour = ts.minute = ts.second = 0;
        ts.fraction = 0;
    } else if (target && (target->sqlType == SQL_TYPE_TIMESTAMP || target->sqlType == SQL_TIMESTAMP)
               && target->decimalDigits < 9) {
        SQLUINTEGER unit = 1;
        for (int i = std::max<int>(target->decimalDigits, 0); i < 9; ++i)
            unit *= 10;
        ts.fraction -= ts.fraction % unit;
    }
    return ts;
}

}  // namespace

SQLPOINTER ParameterBlock::Column::data()
{
    if (cType == SQL_C_SLONG)
        return integers.data();
    if (cType == SQL_C_TYPE_TIMESTAMP)
        return timestamps.data();
    if (cType == SQL_C_DOUBLE)
        return doubles.data();
    if (cType == SQL_C_BINARY)
        return bytes.data();
    return text.data();
}

ParameterBlock::ParameterBlock(std::span<const std::vector<ParamValue>> rows,
                               const std::vector<std::optional<ParamDescription>>& described)
{
    const std::size_t markers = rows.empty() ? 0 : rows.front().size();
    const std::size_t n = rows.size();
    m_columns.resize(markers);

    for (std::size_t c = 0; c < markers; ++c) {
        Column& col = m_columns[c];
        const ParamDescription* target = c < described.size() && described[c] ? &*described[c] : nullptr;

        // One C type per column: the values' own kind, or text when rows disagree.
        Kind kind = Kind::Null;
        for (const auto& row : rows) {
            const Kind k = kindOf(row[c]);
            if (k == Kind::Null)
                continue;
            kind = kind == Kind::Null || kind == k ? k : Kind::Text;
        }
        col.indicators.assign(n, SQL_NULL_DATA);
        SQLULEN valueSize = 1;  // what the value needs as text, for character targets
        switch (kind) {
        case Kind::Integer:
            col.cType = SQL_C_SLONG;
            col.sqlType = SQL_INTEGER;
            col.columnSize = 10;
            col.elementBytes = sizeof(SQLINTEGER);
            col.integers.assign(n, 0);
            for (std::size_t r = 0; r < n; ++r) {
                if (kindOf(rows[r][c]) == Kind::Integer) {
                    col.integers[r] = std::get<std::int32_t>(rows[r][c]);
                    col.indicators[r] = 0;
                }
            }
            valueSize = 11;
            break;
        case Kind::DateTime:
        case Kind::Timestamp:
            col.cType = SQL_C_TYPE_TIMESTAMP;
            col.sqlType = SQL_TYPE_TIMESTAMP;
            col.columnSize = 23;
            col.decimalDigits = 3;
            col.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
            col.timestamps.assign(n, SQL_TIMESTAMP_STRUCT{});
            for (std::size_t r = 0; r < n; ++r) {
                const Kind k = kindOf(rows[r][c]);
                if (k == Kind::DateTime)
                    col.timestamps[r] = timestampFor(std::get<QDateTime>(rows[r][c]), target);
                else if (k == Kind::Timestamp)
                    col.timestamps[r] = timestampFor(std::get<Timestamp>(rows[r][c]), target);
                else
                    continue;
                col.indicators[r] = sizeof(SQL_TIMESTAMP_STRUCT);
            }
            valueSize = 23;
            break;
        case Kind::Double:
            col.cType = SQL_C_DOUBLE;
            col.sqlType = SQL_DOUBLE;
            col.columnSize = 15;
            col.elementBytes = sizeof(double);
            col.doubles.assign(n, 0.0);
            for (std::size_t r = 0; r < n; ++r) {
                if (kindOf(rows[r][c]) == Kind::Double) {
                    col.doubles[r] = std::get<double>(rows[r][c]);
                    col.indicators[r] = sizeof(double);
                }
            }
            valueSize = 24;
            break;
        case Kind::Binary: {
            qsizetype longest = 0;
            for (const auto& row : rows) {
                if (const QByteArray* b = std::get_if<QByteArray>(&row[c]))
                    longest = std::max(longest, b->size());
            }
            const std::size_t width = std::size_t(std::max<qsizetype>(longest, 1));
            col.cType = SQL_C_BINARY;
            col.sqlType = SQL_VARBINARY;
            col.columnSize = SQLULEN(width);
            col.elementBytes = SQLLEN(width);
            col.bytes.assign(width * n, 0);
            for (std::size_t r = 0; r < n; ++r) {
                if (const QByteArray* b = std::get_if<QByteArray>(&rows[r][c])) {
                    std::copy_n(b->constData(), b->size(), col.bytes.begin() + std::ptrdiff_t(r * width));
                    col.indicators[r] = SQLLEN(b->size());
                }
            }
            valueSize = SQLULEN(width);
            break;
        }
        case Kind::Text:
        case Kind::Amount:  // as its decimal text, which every driver converts exactly
        case Kind::Null: {
            std::vector<QString> texts(n);
            qsizetype longest = 0;
            for (std::size_t r = 0; r < n; ++r) {
                if (kindOf(rows[r][c]) != Kind::Null) {
                    texts[r] = asText(rows[r][c]);
                    longest = std::max(longest, texts[r].size());
                }
            }
            const std::size_t width = std::size_t(longest) + 1;
            col.cType = SQL_C_WCHAR;
            col.sqlType = SQL_WVARCHAR;
            col.columnSize = SQLULEN(std::max<qsizetype>(longest, 1));
            if (kind == Kind::Amount) {
                col.sqlType = SQL_DECIMAL;
                col.columnSize = 19;
                col.decimalDigits = 4;
            }
            col.elementBytes = SQLLEN(width * sizeof(SQLWCHAR));
            col.text.assign(width * n, 0);
            for (std::size_t r = 0; r < n; ++r) {
                if (kindOf(rows[r][c]) == Kind::Null)
                    continue;
                std::copy_n(texts[r].utf16(), texts[r].size(), col.text.begin() + std::ptrdiff_t(r * width));
                col.indicators[r] = SQLLEN(texts[r].size()) * SQLLEN(sizeof(SQLWCHAR));
            }
            valueSize = SQLULEN(std::max<qsizetype>(longest, 1));
            break;
        }
        }

        if (target) {
            col.sqlType = target->sqlType;
            if (target->columnSize > 0) {
                col.columnSize = target->columnSize;
                col.decimalDigits = target->decimalDigits;
            }
            // A character target must still hold the whole value; whether it
            // fits the column is for the server to judge.
            if (isCharacterType(col.sqlType) || isBinaryType(col.sqlType))
                col.columnSize = std::max(col.columnSize, valueSize);
        }
        if (isBinaryType(col.sqlType)) {
            if (valueSize > kLongestSizedBinary)
                col.sqlType = SQL_LONGVARBINARY;
        } else if (valueSize > kLongestSizedText) {
            col.sqlType = longTextType(col.sqlType);
        }
    }
}

void ParameterBlock::bind(SQLHSTMT statement)
{
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        Column& col = m_columns[c];
        const SQLRETURN rc = SQLBindParameter(statement, SQLUSMALLINT(c + 1), SQL_PARAM_INPUT, col.cType, col.sqlType,
                                              col.columnSize, col.decimalDigits, col.data(), col.elementBytes,
                                              col.indicators.data());
        if (!SQL_SUCCEEDED(rc))
            throwDiagnostics(SQL_HANDLE_STMT, statement);
    }
}

std::size_t ParameterBlock::estimatedBytes(std::span<const std::vector<ParamValue>> rows)
{
    if (rows.empty())
        return 0;
    std::size_t total = 0;
    for (std::size_t c = 0; c < rows.front().size(); ++c) {
        std::size_t longest = 0;
        for (const auto& row : rows) {
            if (const QString* text = std::get_if<QString>(&row[c]))
                longest = std::max(longest, std::size_t(text->size()));
            else if (const QByteArray* bytes = std::get_if<QByteArray>(&row[c]))
                longest = std::max(longest, std::size_t(bytes->size()) / sizeof(SQLWCHAR) + 1);
        }
        total += (std::max<std::size_t>(longest, 32) + 1) * sizeof(SQLWCHAR) * rows.size()
               + sizeof(SQLLEN) * rows.size();
    }
    return total;
}

}  // namespace db::odbc
