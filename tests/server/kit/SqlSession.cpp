#include "SqlSession.h"

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace server {

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager must use UTF-16 wide characters");

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : m_type(type)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &m_handle)))
            throw OdbcFailure("SQLAllocHandle failed");
    }
    ~Handle()
    {
        if (m_handle != SQL_NULL_HANDLE)
            SQLFreeHandle(m_type, m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT type() const { return m_type; }

private:
    SQLSMALLINT m_type;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

std::u16string wide(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
}

SQLWCHAR* sqlText(std::u16string& text)
{
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

QString diagnostics(const Handle& handle)
{
    QStringList records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[2048] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handle.type(), handle.get(), i, state, &native, message,
                                            SQLSMALLINT(std::size(message)), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        const auto text = [](const SQLWCHAR* w) { return QString::fromUtf16(reinterpret_cast<const char16_t*>(w)); };
        records.append(QStringLiteral("[%1] %2").arg(text(state), text(message)));
    }
    return records.isEmpty() ? QStringLiteral("(no diagnostic record)") : records.join(QStringLiteral("; "));
}

[[noreturn]] void fail(const Handle& handle, const QString& what)
{
    throw OdbcFailure((what + QStringLiteral(": ") + diagnostics(handle)).toStdString());
}

QString shortened(const QString& sql)
{
    return sql.size() <= 200 ? sql : sql.left(200) + QStringLiteral("...");
}

// A value of any length, part by part; false when it is NULL. Text parts end
// in a terminator, binary ones do not.
template <typename Unit>
bool readParts(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<Unit>& out)
{
    std::vector<Unit> buffer(4096);
    const std::size_t room = buffer.size() - (cType == SQL_C_BINARY ? 0 : 1);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement.get(), column, cType, buffer.data(),
                                        SQLLEN(buffer.size() * sizeof(Unit)), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            fail(statement, QStringLiteral("SQLGetData"));
        if (indicator == SQL_NULL_DATA)
            return false;
        const bool partial = indicator == SQL_NO_TOTAL || std::size_t(indicator) / sizeof(Unit) > room;
        const std::size_t units = partial ? room : std::size_t(indicator) / sizeof(Unit);
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(units));
        if (rc == SQL_SUCCESS)
            break;
    }
    return true;
}

std::optional<QString> readText(const Handle& statement, SQLUSMALLINT column)
{
    std::vector<SQLWCHAR> text;
    if (!readParts(statement, column, SQL_C_WCHAR, text))
        return std::nullopt;
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), qsizetype(text.size()));
}

std::optional<QString> readBinary(const Handle& statement, SQLUSMALLINT column)
{
    std::vector<char> bytes;
    if (!readParts(statement, column, SQL_C_BINARY, bytes))
        return std::nullopt;
    return QString::fromLatin1(QByteArray(bytes.data(), qsizetype(bytes.size())).toHex().toUpper());
}

template <typename T>
std::optional<T> readFixed(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT cType)
{
    T value{};
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement.get(), column, cType, &value, sizeof value, &indicator)))
        fail(statement, QStringLiteral("SQLGetData"));
    if (indicator == SQL_NULL_DATA)
        return std::nullopt;
    return value;
}

std::optional<QString> readValue(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        if (const std::optional<QString> text = readText(statement, column))
            return fixedPointText(*text);
        return std::nullopt;
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        if (const auto value = readFixed<double>(statement, column, SQL_C_DOUBLE))
            return QString::number(*value, 'f', 4);
        return std::nullopt;
    case SQL_TYPE_TIMESTAMP:
        if (const auto t = readFixed<SQL_TIMESTAMP_STRUCT>(statement, column, SQL_C_TYPE_TIMESTAMP))
            return QStringLiteral("%1-%2-%3 %4:%5:%6.%7")
                .arg(t->year, 4, 10, QChar(u'0'))
                .arg(t->month, 2, 10, QChar(u'0'))
                .arg(t->day, 2, 10, QChar(u'0'))
                .arg(t->hour, 2, 10, QChar(u'0'))
                .arg(t->minute, 2, 10, QChar(u'0'))
                .arg(t->second, 2, 10, QChar(u'0'))
                .arg(t->fraction / 1000000u, 3, 10, QChar(u'0'));
        return std::nullopt;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return readBinary(statement, column);
    default:
        return readText(statement, column);
    }
}

}  // namespace

QString fixedPointText(const QString& decimal)
{
    QString text = decimal.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text.remove(0, 1);
    const qsizetype point = text.indexOf(u'.');
    QString whole = point < 0 ? text : text.left(point);
    QString fraction = point < 0 ? QString() : text.mid(point + 1);
    fraction = fraction.leftJustified(5, u'0');
    // Digits of the value times 10^4, then rounded on the fifth decimal.
    QString digits = (whole.isEmpty() ? QStringLiteral("0") : whole) + fraction.left(4);
    if (fraction[4] >= u'5') {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits[i] == u'9')
            digits[i--] = u'0';
        if (i < 0)
            digits.prepend(u'1');
        else
            digits[i] = QChar(digits[i].unicode() + 1);
    }
    while (digits.size() > 5 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    const bool zero = digits.count(u'0') == digits.size();
    return (negative && !zero ? QStringLiteral("-") : QString()) + digits.left(digits.size() - 4) + u'.' +
           digits.right(4);
}

struct SqlSession::Handles {
    Handle environment{SQL_HANDLE_ENV, SQL_NULL_HANDLE};
    std::unique_ptr<Handle> connection;
    bool connected = false;

    ~Handles()
    {
        if (connected)
            SQLDisconnect(connection->get());
    }

    // Runs sql on a new statement; the statement is positioned on its first result.
    std::unique_ptr<Handle> run(const QString& sql)
    {
        auto statement = std::make_unique<Handle>(SQL_HANDLE_STMT, connection->get());
        std::u16string text = wide(sql);
        const SQLRETURN rc = SQLExecDirectW(statement->get(), sqlText(text), SQLINTEGER(text.size()));
        // A searched DELETE or UPDATE that touches no row answers SQL_NO_DATA.
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            fail(*statement, shortened(sql));
        return statement;
    }

    static void drain(const Handle& statement, const QString& sql)
    {
        for (;;) {
            const SQLRETURN rc = SQLMoreResults(statement.get());
            if (rc == SQL_NO_DATA)
                return;
            if (!SQL_SUCCEEDED(rc))
                fail(statement, shortened(sql));
        }
    }
};

SqlSession::SqlSession(const QString& connectionString) : m_connectionString(connectionString)
{
    connect();
}

void SqlSession::reconnect()
{
    m_handles.reset();
    connect();
}

void SqlSession::connect()
{
    auto handles = std::make_unique<Handles>();
    Handles& h = *handles;
    SQLSetEnvAttr(h.environment.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    h.connection = std::make_unique<Handle>(SQL_HANDLE_DBC, h.environment.get());
    std::u16string text = wide(m_connectionString);
    SQLWCHAR out[1024] = {};
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(h.connection->get(), nullptr, sqlText(text), SQLSMALLINT(text.size()), out,
                                           SQLSMALLINT(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        fail(*h.connection, QStringLiteral("connecting with KOVARA_TEST_ODBC"));
    h.connected = true;
    m_handles = std::move(handles);
    m_engine = Engine::detect(*this);
}

SqlSession::~SqlSession() = default;

void SqlSession::execute(const QString& sql)
{
    const std::unique_ptr<Handle> statement = m_handles->run(sql);
    Handles::drain(*statement, sql);
}

Table SqlSession::query(const QString& sql)
{
    const std::unique_ptr<Handle> statement = m_handles->run(sql);
    Table table;

    // Skip the row counts of statements ahead of the first SELECT.
    SQLSMALLINT columnCount = 0;
    for (;;) {
        if (!SQL_SUCCEEDED(SQLNumResultCols(statement->get(), &columnCount)))
            fail(*statement, shortened(sql));
        if (columnCount > 0)
            break;
        const SQLRETURN rc = SQLMoreResults(statement->get());
        if (rc == SQL_NO_DATA)
            throw OdbcFailure(("no result set: " + shortened(sql)).toStdString());
        if (!SQL_SUCCEEDED(rc))
            fail(*statement, shortened(sql));
    }

    std::vector<SQLSMALLINT> types;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT dataType = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(statement->get(), c, name, SQLSMALLINT(std::size(name)), &nameLength,
                                           &dataType, &size, &digits, &nullable)))
            fail(*statement, shortened(sql));
        table.columns.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(name), nameLength));
        types.push_back(dataType);
    }

    for (;;) {
        const SQLRETURN rc = SQLFetch(statement->get());
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc))
            fail(*statement, shortened(sql));
        std::vector<std::optional<QString>> row;
        row.reserve(std::size_t(columnCount));
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columnCount); ++c)
            row.push_back(readValue(*statement, c, types[c - 1]));
        table.rows.push_back(std::move(row));
    }
    Handles::drain(*statement, sql);
    return table;
}

QStringList SqlSession::rows(const QString& sql)
{
    QStringList out;
    for (const auto& row : query(sql).rows) {
        QStringList values;
        for (const std::optional<QString>& value : row)
            values.append(value ? *value : QStringLiteral("NULL"));
        out.append(values.join(u'|'));
    }
    return out;
}

QString SqlSession::scalar(const QString& sql)
{
    const Table table = query(sql);
    if (table.rows.empty() || table.rows.front().empty())
        throw OdbcFailure(("no value: " + shortened(sql)).toStdString());
    return table.rows.front().front().value_or(QStringLiteral("NULL"));
}

}  // namespace server
