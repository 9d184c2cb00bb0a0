#include "db/Query.h"

#include "db/DbError.h"

#include <cmath>
#include <limits>
#include <utility>

namespace db {

Query::Query(QString name) : m_name(std::move(name)) {}

Query::~Query() = default;

void Query::fail(const QString& message) const
{
    throw DbError(m_name + QStringLiteral(": ") + message);
}

void Query::setSql(const QString& sql)
{
    close();
    m_sql = sql;
    m_statement = parseNamedParameters(sql);
    m_values.assign(m_statement.names.size(), ParamValue{});
}

void Query::execute()
{
    close();
    runExecute(m_statement, m_values);
}

void Query::open()
{
    if (m_open)
        return;
    m_result = runOpen(m_statement, m_values);
    m_open = true;
    m_position = 0;
}

void Query::close()
{
    m_open = false;
    m_position = 0;
    m_result = ResultSet{};
}

void Query::executeForRows(int rowCount, const std::function<void(int row)>& bindRow)
{
    int row = 0;
    executeForEach([&] {
        if (row == rowCount)
            return false;
        bindRow(row++);
        return true;
    });
}

namespace {

std::size_t valueBytes(const ParamValue& value)
{
    if (const QString* text = std::get_if<QString>(&value))
        return std::size_t(text->size()) * sizeof(char16_t);
    if (const QByteArray* bytes = std::get_if<QByteArray>(&value))
        return std::size_t(bytes->size());
    return sizeof(ParamValue);
}

}  // namespace

void Query::executeForEach(const std::function<bool()>& bindNext)
{
    close();
    struct BatchEnd {
        Query& query;
        ~BatchEnd() { query.endBatches(); }
    } batchEnd{*this};

    std::vector<std::vector<ParamValue>> batch;
    std::size_t batchBytes = 0;
    int firstRow = 1;
    const auto send = [&] {
        runBatch(m_statement, batch, firstRow);
        firstRow += int(batch.size());
        batch.clear();
        batchBytes = 0;
    };
    while (bindNext()) {
        batch.push_back(m_values);
        for (const ParamValue& value : m_values)
            batchBytes += valueBytes(value);
        if (int(batch.size()) == kBatchRows || batchBytes >= kBatchBytes)
            send();
    }
    if (!batch.empty())
        send();
}

bool Query::hasRow() const
{
    return m_open && !m_result.rows.empty();
}

bool Query::eof() const
{
    return !m_open || m_position >= int(m_result.rows.size());
}

void Query::next()
{
    if (!eof())
        ++m_position;
}

int Query::rowCount() const
{
    return m_open ? int(m_result.rows.size()) : 0;
}

int Query::fieldIndex(const QString& name) const
{
    return m_result.columnIndex(name);
}

const QStringList& Query::fieldNames() const
{
    return m_result.columns;
}

int Query::requireField(const QString& name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    return index;
}

const std::optional<QString>& Query::currentValue(int column) const
{
    if (column < 0 || column >= m_result.columns.size())
        fail(QStringLiteral("Field index %1 out of range").arg(column));
    if (eof())
        fail(QStringLiteral("No current record"));
    return m_result.rows[std::size_t(m_position)][std::size_t(column)];
}

std::int32_t Query::asInteger(int column) const
{
    const std::optional<QString>& value = currentValue(column);
    if (!value)
        return 0;
    bool ok = false;
    const qlonglong whole = value->trimmed().toLongLong(&ok);
    if (ok && whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max())
        return std::int32_t(whole);
    if (!ok) {
        // A decimal or floating value read as an integer rounds, halves away from zero.
        if (const std::optional<Amount> amount = Amount::parse(*value)) {
            const std::int64_t half = Amount::kScale / 2;
            const std::int64_t v = amount->tenThousandths;
            const std::int64_t rounded = (v >= 0 ? v + half : v - half) / Amount::kScale;
            if (rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())
                return std::int32_t(rounded);
        } else {
            fail(QStringLiteral("'%1' is not a valid integer value").arg(*value));
        }
    }
    fail(QStringLiteral("Value '%1' of field '%2' is out of range for an integer")
             .arg(*value, m_result.columns[column]));
}

std::int32_t Query::asInteger(const QString& column) const
{
    return asInteger(requireField(column));
}

QString Query::asText(int column) const
{
    const std::optional<QString>& value = currentValue(column);
    return value ? *value : QString();
}

QString Query::asText(const QString& column) const
{
    return asText(requireField(column));
}

Amount Query::asAmount(int column) const
{
    const std::optional<QString>& value = currentValue(column);
    if (!value)
        return Amount{};
    const std::optional<Amount> amount = Amount::parse(*value);
    if (!amount)
        fail(QStringLiteral("'%1' is not a valid amount").arg(*value));
    return *amount;
}

Amount Query::asAmount(const QString& column) const
{
    return asAmount(requireField(column));
}

void Query::setParam(const QString& param, ParamValue value)
{
    bool found = false;
    for (qsizetype i = 0; i < m_statement.names.size(); ++i) {
        if (m_statement.names[i].compare(param, Qt::CaseInsensitive) == 0) {
            m_values[std::size_t(i)] = value;
            found = true;
        }
    }
    if (!found)
        fail(QStringLiteral("Parameter '%1' not found").arg(param));
}

void Query::setInteger(const QString& param, std::int32_t value)
{
    setParam(param, value);
}

void Query::setText(const QString& param, const QString& value)
{
    setParam(param, value);
}

void Query::setAmount(const QString& param, Amount value)
{
    setParam(param, value);
}

void Query::setDateTime(const QString& param, const QDateTime& value)
{
    setParam(param, value);
}

void Query::setValues(const std::vector<ParamValue>& values)
{
    if (values.size() != m_values.size())
        fail(QStringLiteral("%1 values for %2 parameters").arg(values.size()).arg(m_values.size()));
    m_values = values;
}

}  // namespace db
