#include "db/OdbcBulkLoad.h"

#include "db/DbError.h"
#include "db/OdbcDiagnostics.h"
#include "db/OdbcText.h"

#include <cstdint>

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace db::odbc {

namespace {

// The length of each value is in the four bytes before it.
constexpr int kPrefix = 4;
constexpr int kVariableLength = -10;  // SQL_VARLEN_DATA
constexpr int kIntoTable = 1;         // DB_IN

QString driverName(SQLHDBC connection)
{
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(connection, SQL_DRIVER_NAME, name, sizeof name, &length)))
        return {};
    return fromWide(name, std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 255));
}

QString recordedFailure(SQLHDBC connection)
{
    const QString text = failureMessage(readDiagnostics(SQL_HANDLE_DBC, connection));
    return text.isEmpty() ? QStringLiteral("A carga em massa falhou sem dizer porquê") : text;
}

// A function the loaded driver exports, found by name; nothing where it has none.
void* exported(const QString& module, const char* name)
{
    if (module.isEmpty())
        return nullptr;
#ifdef _WIN32
    const HMODULE handle = GetModuleHandleW(reinterpret_cast<LPCWSTR>(module.utf16()));
    return handle ? reinterpret_cast<void*>(GetProcAddress(handle, name)) : nullptr;
#else
    void* handle = dlopen(module.toLocal8Bit().constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    void* symbol = dlsym(handle, name);
    dlclose(handle);  // the driver manager still holds it
    return symbol;
#endif
}

// Microsoft's drivers: bcp_initW and the rest, exported by the driver, on its own connection handle.
class MicrosoftBulk final : public BulkDriver {
public:
    using InitW = SQLRETURN(SQL_API*)(SQLHDBC, const SQLWCHAR*, const SQLWCHAR*, const SQLWCHAR*, int);
    using Control = SQLRETURN(SQL_API*)(SQLHDBC, int, void*);
    using Bind = SQLRETURN(SQL_API*)(SQLHDBC, const unsigned char*, int, std::int32_t, const unsigned char*, int, int,
                                     int);
    using ColPtr = SQLRETURN(SQL_API*)(SQLHDBC, const unsigned char*, int);
    using SendRow = SQLRETURN(SQL_API*)(SQLHDBC);
    using Rows = std::int32_t(SQL_API*)(SQLHDBC);

    static std::unique_ptr<BulkDriver> find(SQLHDBC connection, SQLHDBC driverConnection)
    {
        const QString module = driverName(connection);
        auto bulk = std::make_unique<MicrosoftBulk>(connection, driverConnection);
        bulk->m_init = reinterpret_cast<InitW>(exported(module, "bcp_initW"));
        bulk->m_control = reinterpret_cast<Control>(exported(module, "bcp_control"));
        bulk->m_bind = reinterpret_cast<Bind>(exported(module, "bcp_bind"));
        bulk->m_colptr = reinterpret_cast<ColPtr>(exported(module, "bcp_colptr"));
        bulk->m_sendrow = reinterpret_cast<SendRow>(exported(module, "bcp_sendrow"));
        bulk->m_batch = reinterpret_cast<Rows>(exported(module, "bcp_batch"));
        bulk->m_done = reinterpret_cast<Rows>(exported(module, "bcp_done"));
        const bool complete = driverConnection && bulk->m_init && bulk->m_control && bulk->m_bind && bulk->m_colptr
                           && bulk->m_sendrow && bulk->m_batch && bulk->m_done;
        return complete ? std::move(bulk) : nullptr;
    }

    MicrosoftBulk(SQLHDBC connection, SQLHDBC driverConnection) : m_dbc(connection), m_driver(driverConnection) {}

    BulkText text() const override { return BulkText::Utf16; }
    bool carries(const BulkColumn&, const ParamValue&) const override { return true; }
    bool doneAfterFailure() const override { return true; }

    bool init(const QString& table) override
    {
        return m_init(m_driver, reinterpret_cast<const SQLWCHAR*>(table.utf16()), nullptr, nullptr, kIntoTable) == 1;
    }
    bool keepNullsAndCheckConstraints() override
    {
        constexpr int keepNulls = 5;   // BCPKEEPNULLS
        constexpr int hintsW = 11;     // BCPHINTSW
        return m_control(m_driver, keepNulls, reinterpret_cast<void*>(std::intptr_t(1))) == 1
            && m_control(m_driver, hintsW, const_cast<char16_t*>(u"CHECK_CONSTRAINTS")) == 1;
    }
    bool bind(int ordinal, const unsigned char* data, int hostType) override
    {
        return m_bind(m_driver, data, kPrefix, kVariableLength, nullptr, 0, hostType, ordinal) == 1;
    }
    bool point(int ordinal, const unsigned char* data) override { return m_colptr(m_driver, data, ordinal) == 1; }
    bool sendRow() override { return m_sendrow(m_driver) == 1; }
    bool batch() override { return m_batch(m_driver) >= 0; }
    bool done() override { return m_done(m_driver) >= 0; }
    QString failure() const override { return recordedFailure(m_dbc); }

private:
    SQLHDBC m_dbc;
    SQLHDBC m_driver;
    InitW m_init = nullptr;
    Control m_control = nullptr;
    Bind m_bind = nullptr;
    ColPtr m_colptr = nullptr;
    SendRow m_sendrow = nullptr;
    Rows m_batch = nullptr;
    Rows m_done = nullptr;
};

#ifndef _WIN32
// FreeTDS takes its bulk copy calls as connection attributes of its own
// numbers, each with a block of parameters, passed on by the driver manager.
// (Under Wine the Windows build reaches the host's FreeTDS through Wine's
// driver manager, which passes on no such attribute: it goes without.)
class FreeTdsBulk final : public BulkDriver {
public:
    static std::unique_ptr<BulkDriver> find(SQLHDBC connection)
    {
        if (!driverName(connection).contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive))
            return nullptr;
        return std::make_unique<FreeTdsBulk>(connection);
    }

    explicit FreeTdsBulk(SQLHDBC connection) : m_dbc(connection) {}

    BulkText text() const override { return BulkText::Utf8; }

    // FreeTDS keeps a (max) column's value in a buffer of the size the server
    // describes the column with, and writes past it when the value is longer
    // (measured: the test server's is 4,096 bytes); and it moves a datetime2
    // or date of 1753 or earlier by a day.
    bool carries(const BulkColumn& column, const ParamValue& value) const override
    {
        constexpr qsizetype longestUnits = 2000;
        constexpr qsizetype longestBytes = 4000;
        if (column.type == BulkColumn::Type::Text && column.length < 0) {
            const auto* text = std::get_if<QString>(&value);
            return !text || text->size() <= longestUnits;
        }
        if (column.type == BulkColumn::Type::Binary && column.length < 0) {
            const auto* bytes = std::get_if<QByteArray>(&value);
            return !bytes || bytes->size() <= longestBytes;
        }
        if (column.type == BulkColumn::Type::DateTime2 || column.type == BulkColumn::Type::Date) {
            if (const auto* t = std::get_if<Timestamp>(&value))
                return t->year > 1753;
            if (const auto* moment = std::get_if<QDateTime>(&value))
                return !moment->isValid() || moment->date().year() > 1753;
        }
        return true;
    }
    bool doneAfterFailure() const override { return false; }

    bool init(const QString& table) override
    {
        struct {
            const void* table;
            const void* file;
            const void* errors;
            int direction;
        } params{table.utf16(), nullptr, nullptr, kIntoTable};
        return call(kInitW, &params);
    }
    bool keepNullsAndCheckConstraints() override
    {
        // The hints go into the load's INSERT BULK as written. Newer FreeTDS
        // numbers its control call and hints anew; older takes the first.
        static const char hints[] = "CHECK_CONSTRAINTS, KEEP_NULLS";
        struct {
            int field;
            void* value;
        } newer{10, const_cast<char*>(hints)}, older{6, const_cast<char*>(hints)};
        return call(kControl, &newer) || call(kOldControl, &older);
    }
    bool bind(int ordinal, const unsigned char* data, int hostType) override
    {
        struct {
            const unsigned char* data;
            int prefix;
            int length;
            const unsigned char* terminator;
            int terminatorLength;
            int type;
            int ordinal;
        } params{data, kPrefix, kVariableLength, nullptr, 0, hostType, ordinal};
        return call(kBind, &params);
    }
    bool point(int ordinal, const unsigned char* data) override
    {
        struct {
            const unsigned char* data;
            int ordinal;
        } params{data, ordinal};
        return call(kColPtr, &params);
    }
    bool sendRow() override { return call(kSendRow, nullptr); }
    bool batch() override { return rows(kBatch) >= 0; }
    bool done() override { return rows(kDone) >= 0; }
    QString failure() const override { return recordedFailure(m_dbc); }

private:
    static constexpr SQLINTEGER kOldControl = 1501;
    static constexpr SQLINTEGER kColPtr = 1502;
    static constexpr SQLINTEGER kSendRow = 1503;
    static constexpr SQLINTEGER kBatch = 1504;
    static constexpr SQLINTEGER kDone = 1505;
    static constexpr SQLINTEGER kBind = 1506;
    static constexpr SQLINTEGER kInitW = 1507;
    static constexpr SQLINTEGER kControl = 1508;

    bool call(SQLINTEGER attribute, void* params)
    {
        return SQL_SUCCEEDED(SQLSetConnectAttr(m_dbc, attribute, params, SQL_IS_POINTER));
    }
    int rows(SQLINTEGER attribute)
    {
        struct {
            int rows;
        } params{-1};
        return call(attribute, &params) ? params.rows : -1;
    }

    SQLHDBC m_dbc;
};
#endif

}  // namespace

std::unique_ptr<BulkDriver> BulkDriver::find(SQLHDBC connection, SQLHDBC driverConnection)
{
    if (std::unique_ptr<BulkDriver> microsoft = MicrosoftBulk::find(connection, driverConnection))
        return microsoft;
#ifndef _WIN32
    return FreeTdsBulk::find(connection);
#else
    return nullptr;
#endif
}

OdbcBulkLoad::OdbcBulkLoad(std::unique_ptr<BulkDriver> driver, const QString& table, std::vector<BulkColumn> columns,
                           std::function<void()> failed)
    : m_driver(std::move(driver)), m_row(std::move(columns), m_driver->text()), m_failed(std::move(failed))
{
    if (!m_driver->init(table))
        fail(State::Unstarted);
    m_state = State::Started;
    bool bound = m_driver->keepNullsAndCheckConstraints();
    for (std::size_t i = 0; bound && i < m_row.size(); ++i)
        bound = m_driver->bind(m_row.column(i).ordinal, m_row.data(i), m_row.hostType(i));
    if (!bound)
        fail(State::Started);
}

OdbcBulkLoad::~OdbcBulkLoad()
{
    if (!end() && m_failed)
        m_failed();
}

bool OdbcBulkLoad::carries(const std::vector<ParamValue>& row) const
{
    for (std::size_t i = 0; i < row.size() && i < m_row.size(); ++i) {
        if (!m_driver->carries(m_row.column(i), row[i]))
            return false;
    }
    return true;
}

void OdbcBulkLoad::send(const std::vector<ParamValue>& row)
{
    if (m_state != State::Started && m_state != State::Sending)
        throw DbError(QStringLiteral("The bulk load is over"));
    if (!carries(row))
        throw DbError(QStringLiteral("The driver cannot bulk load this row"));
    bool moved = false;
    try {
        moved = m_row.pack(row);
    } catch (const DbError&) {
        // Refused before anything of the row went: the rows sent stand for the caller's rollback.
        if (!end() && m_failed)
            m_failed();
        throw;
    }
    for (std::size_t i = 0; moved && i < m_row.size(); ++i) {
        if (!m_driver->point(m_row.column(i).ordinal, m_row.data(i)))
            fail(State::Sending);
    }
    if (!m_driver->sendRow())
        fail(State::RowFailed);
    m_state = State::Sending;
}

void OdbcBulkLoad::finish()
{
    if (m_state != State::Started && m_state != State::Sending)
        throw DbError(QStringLiteral("The bulk load is over"));
    // FreeTDS has nothing to end where no row went; Microsoft's drivers end every load.
    if (m_state == State::Sending || m_driver->doneAfterFailure()) {
        if (!m_driver->batch())
            fail(State::BatchFailed);
        if (!m_driver->done())
            fail(State::Over);
    }
    m_state = State::Over;
}

void OdbcBulkLoad::fail(State state)
{
    const QString reason = m_driver->failure();
    m_state = state;
    end();
    if (m_failed)
        m_failed();
    throw DbError(reason);
}

bool OdbcBulkLoad::end() noexcept
{
    const bool microsoft = m_driver->doneAfterFailure();
    bool ended = true;
    switch (m_state) {
    case State::Unstarted:
    case State::Over: break;
    case State::Started:
        if (microsoft)
            ended = m_driver->done();
        break;
    case State::Sending:
        // The rows sent stand in the transaction, for the caller to roll back.
        ended = m_driver->batch() && m_driver->done();
        break;
    case State::RowFailed:
        // FreeTDS: the batch takes the server's answer to the rows sent, and the connection is idle again.
        if (microsoft || m_driver->batch())
            m_driver->done();
        ended = false;
        break;
    case State::BatchFailed:
        if (microsoft)
            m_driver->done();
        ended = false;
        break;
    }
    m_state = State::Over;
    return ended;
}

}  // namespace db::odbc
