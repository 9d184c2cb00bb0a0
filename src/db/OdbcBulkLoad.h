#pragma once

#include "db/BulkLoad.h"
#include "db/OdbcApi.h"
#include "db/OdbcBulkRow.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace db::odbc {

// The bulk copy calls of one driver, on one open connection. Each driver
// documents its own sequence: FreeTDS takes them as connection attributes
// through the driver manager; Microsoft's drivers export bcp_initW and the
// rest, which take the driver's own connection handle.
class BulkDriver {
public:
    virtual ~BulkDriver() = default;

    // The driver's calls for the connection, found at run time; nothing where
    // the driver has none (or the connection was not opened for bulk copy).
    static std::unique_ptr<BulkDriver> find(SQLHDBC connection, SQLHDBC driverConnection);

    virtual BulkText text() const = 0;
    // Whether the driver carries value into column exactly.
    virtual bool carries(const BulkColumn& column, const ParamValue& value) const = 0;
    // Microsoft's drivers document bcp_done as always due; FreeTDS's, after a
    // failed batch, sends an empty packet there and the connection drops.
    virtual bool doneAfterFailure() const = 0;

    // Each false when the call failed; the reason is then recorded on the connection.
    virtual bool init(const QString& table) = 0;
    // Keeps NULLs (no default in their place) and checks the table's constraints.
    virtual bool keepNullsAndCheckConstraints() = 0;
    // A column's value, behind its four-byte length, at data.
    virtual bool bind(int ordinal, const unsigned char* data, int hostType) = 0;
    virtual bool point(int ordinal, const unsigned char* data) = 0;
    virtual bool sendRow() = 0;
    virtual bool batch() = 0;
    virtual bool done() = 0;

    // The failure the last call recorded, ready to show.
    virtual QString failure() const = 0;
};

// A BulkLoad through a driver's calls, on the connection's open transaction.
class OdbcBulkLoad final : public BulkLoad {
public:
    // Starts the load into table (its name as the server reads it). A driver
    // that refuses to start raises DbError. Once the driver or the server has
    // refused the load, failed is called, after the driver's own ending.
    OdbcBulkLoad(std::unique_ptr<BulkDriver> driver, const QString& table, std::vector<BulkColumn> columns,
                 std::function<void()> failed);
    ~OdbcBulkLoad() override;

    OdbcBulkLoad(const OdbcBulkLoad&) = delete;
    OdbcBulkLoad& operator=(const OdbcBulkLoad&) = delete;

    bool carries(const std::vector<ParamValue>& row) const override;
    void send(const std::vector<ParamValue>& row) override;
    void finish() override;

private:
    // Started: initialised, no row sent yet.
    enum class State { Unstarted, Started, Sending, RowFailed, BatchFailed, Over };

    [[noreturn]] void fail(State state);
    // Ends the load as the driver documents it; false when it failed.
    bool end() noexcept;

    std::unique_ptr<BulkDriver> m_driver;
    BulkRow m_row;
    std::function<void()> m_failed;
    State m_state = State::Unstarted;
};

}  // namespace db::odbc
