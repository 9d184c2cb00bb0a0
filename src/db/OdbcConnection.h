#pragma once

#include "db/Connection.h"

#include <memory>

namespace db {

namespace odbc {
class Session;
}

// How executeForRows sends its rows.
enum class OdbcBatchMode {
    Auto,             // parameter arrays where the driver declares and accepts them
    ParameterArrays,  // parameter arrays wherever the driver accepts the array size
    RowByRow,         // one execution of the prepared statement per row
};

// A connection through the ODBC driver manager. The string is either a native
// ODBC connection string ("DRIVER=...;...") or an OLE DB one for SQL Server
// ("Provider=SQLOLEDB.1;...;Data Source=host"), which is translated for the
// SQL Server driver installed here.
class OdbcConnection final : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void setConnectionString(const QString& connectionString) override;
    QString connectionString() const override;

    void open() override;
    void close() override;
    bool isOpen() const override;

    void beginTransaction() override;
    void commit() override;
    // Never raises: the server may already have ended the transaction itself.
    void rollback() override;

    std::unique_ptr<Query> createQuery(const QString& name) override;

    void setBatchMode(OdbcBatchMode mode);

private:
    std::unique_ptr<odbc::Session> m_session;
};

}  // namespace db
