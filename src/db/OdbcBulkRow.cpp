#include "db/OdbcBulkRow.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcBulkValues.h"

#include <QDateTime>
#include <array>
#include <cstring>
#include <limits>

namespace db::odbc {

namespace {

// TDS type tokens, the same in FreeTDS and in Microsoft's bulk copy.
constexpr int kInt1 = 0x30;
constexpr int kInt2 = 0x34;
constexpr int kInt4 = 0x38;
constexpr int kInt8 = 0x7f;
constexpr int kBit = 0x32;
constexpr int kDecimal = 0x6a;    // SQL_NUMERIC_STRUCT
constexpr int kFloat8 = 0x3e;
constexpr int kDateTime = 0x3d;   // days since 1900 and 300ths of a second
constexpr int kDateTime2 = 0x2a;  // SQL_TIMESTAMP_STRUCT
constexpr int kVarChar = 0x27;    // the driver's client character set: FreeTDS's is UTF-8
constexpr int kNChar = 0xef;      // UTF-16, Microsoft's
constexpr int kVarBinary = 0x25;

constexpr std::size_t kPrefix = sizeof(std::int32_t);

using Type = BulkColumn::Type;
using namespace bulk;

}  // namespace

BulkRow::BulkRow(std::vector<BulkColumn> columns, BulkText text)
    : m_columns(std::move(columns)), m_text(text), m_buffers(m_columns.size())
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const BulkColumn& c = m_columns[i];
        const std::size_t room = c.type == Type::Text && c.length >= 0   ? std::size_t(c.length) * 4
                               : c.type == Type::Binary && c.length >= 0 ? std::size_t(c.length)
                               : c.type == Type::Text || c.type == Type::Binary ? 4096
                                                                            : sizeof(SQL_TIMESTAMP_STRUCT) + 8;
        m_buffers[i].resize(kPrefix + room);
    }
}

int BulkRow::hostType(std::size_t i) const
{
    switch (m_columns[i].type) {
    case Type::TinyInt: return kInt1;
    case Type::SmallInt: return kInt2;
    case Type::Int: return kInt4;
    case Type::BigInt: return kInt8;
    case Type::Bit: return kBit;
    case Type::Decimal:
    case Type::Money:
    case Type::SmallMoney: return kDecimal;
    case Type::Float:
    case Type::Real: return kFloat8;
    case Type::DateTime:
    case Type::SmallDateTime: return kDateTime;
    case Type::DateTime2:
    case Type::Date: return kDateTime2;
    case Type::Text: return m_text == BulkText::Utf8 ? kVarChar : kNChar;
    case Type::Binary: return kVarBinary;
    }
    return 0;
}

int BulkRow::length(std::size_t i) const
{
    std::int32_t length = 0;
    std::memcpy(&length, m_buffers[i].data(), kPrefix);
    return length;
}

void BulkRow::put(std::size_t i, const void* value, std::size_t bytes)
{
    std::vector<unsigned char>& buffer = m_buffers[i];
    if (buffer.size() < kPrefix + bytes) {
        const unsigned char* before = buffer.data();
        buffer.resize(kPrefix + bytes);
        m_moved = m_moved || buffer.data() != before;
    }
    const std::int32_t length = value ? std::int32_t(bytes) : std::int32_t(SQL_NULL_DATA);
    std::memcpy(buffer.data(), &length, kPrefix);
    if (bytes > 0)
        std::memcpy(buffer.data() + kPrefix, value, bytes);
}

bool BulkRow::pack(const std::vector<ParamValue>& row)
{
    if (row.size() != m_columns.size())
        throw DbError(QStringLiteral("Bulk load of %1 values into %2 columns").arg(row.size()).arg(m_columns.size()));
    m_moved = false;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const BulkColumn& c = m_columns[i];
        const ParamValue& value = row[i];
        const bool null = std::holds_alternative<std::monostate>(value)
                       || (std::holds_alternative<QDateTime>(value) && !std::get<QDateTime>(value).isValid());
        if (null) {
            // A driver may not survive a NULL in a column that takes none (FreeTDS asserts).
            if (!c.nullable)
                refuse(c, QStringLiteral("não tem valor; no destino é obrigatório"));
            put(i, nullptr, 0);
            continue;
        }
        switch (c.type) {
        case Type::TinyInt: {
            const auto v = std::uint8_t(integerFor(c, value, 0, 255));
            put(i, &v, sizeof v);
            break;
        }
        case Type::SmallInt: {
            const auto v = std::int16_t(integerFor(c, value, -32768, 32767));
            put(i, &v, sizeof v);
            break;
        }
        case Type::Int: {
            const auto v = std::int32_t(integerFor(c, value, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
            put(i, &v, sizeof v);
            break;
        }
        case Type::BigInt: {
            const std::int64_t v = integerFor(c, value, std::numeric_limits<std::int64_t>::min(),
                                              std::numeric_limits<std::int64_t>::max());
            put(i, &v, sizeof v);
            break;
        }
        case Type::Bit: {
            const std::uint8_t v = bitFor(c, value);
            put(i, &v, sizeof v);
            break;
        }
        case Type::Decimal:
        case Type::Money:
        case Type::SmallMoney: {
            const SQL_NUMERIC_STRUCT v = numericFor(c, value);
            put(i, &v, sizeof v);
            break;
        }
        case Type::Float:
        case Type::Real: {
            const double v = realFor(c, value);
            put(i, &v, sizeof v);
            break;
        }
        case Type::DateTime:
        case Type::SmallDateTime: {
            const std::array<std::int32_t, 2> v = dateTimeFor(c, value);
            put(i, v.data(), sizeof v);
            break;
        }
        case Type::DateTime2:
        case Type::Date: {
            const SQL_TIMESTAMP_STRUCT v = timestampFor(c, value);
            put(i, &v, sizeof v);
            break;
        }
        case Type::Text: {
            const QString text = fittedText(c, value);
            if (m_text == BulkText::Utf16) {
                put(i, text.utf16(), std::size_t(text.size()) * sizeof(char16_t));
            } else {
                const QByteArray utf8 = text.toUtf8();
                put(i, utf8.constData(), std::size_t(utf8.size()));
            }
            break;
        }
        case Type::Binary: {
            const QByteArray& bytes = fittedBytes(c, value);
            put(i, bytes.constData(), std::size_t(bytes.size()));
            break;
        }
        }
    }
    return m_moved;
}

}  // namespace db::odbc
