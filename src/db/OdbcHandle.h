#pragma once

#include "db/OdbcApi.h"

namespace db::odbc {

// Owns one ODBC handle (environment, connection or statement) and frees it.
// Allocation failures raise DbError.
class Handle {
public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE parent);
    ~Handle();

    Handle(Handle&& other) noexcept;
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return m_handle; }
    SQLSMALLINT type() const { return m_type; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }

    void reset();

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

// A fresh environment set up for ODBC 3 behaviour.
Handle makeEnvironment();

}  // namespace db::odbc
