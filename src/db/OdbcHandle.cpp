#include "db/OdbcHandle.h"

#include "db/DbError.h"
#include "db/OdbcApi.h"
#include "db/OdbcDiagnostics.h"

#include <utility>

namespace db::odbc {

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : m_type(type)
{
    const SQLRETURN rc = SQLAllocHandle(type, parent, &m_handle);
    if (!SQL_SUCCEEDED(rc)) {
        m_handle = SQL_NULL_HANDLE;
        // The reason, if any, is recorded on the parent.
        if (parent != SQL_NULL_HANDLE)
            throwDiagnostics(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent);
        throw DbError(QStringLiteral("ODBC error: cannot allocate a handle"));
    }
}

Handle::~Handle()
{
    reset();
}

Handle::Handle(Handle&& other) noexcept
    : m_type(other.m_type), m_handle(std::exchange(other.m_handle, nullptr))
{
}

Handle& Handle::operator=(Handle&& other) noexcept
{
    if (this != &other) {
        reset();
        m_type = other.m_type;
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void Handle::reset()
{
    if (m_handle != SQL_NULL_HANDLE)
        SQLFreeHandle(m_type, std::exchange(m_handle, nullptr));
}

Handle makeEnvironment()
{
    Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    const SQLRETURN rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                                       reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc))
        throwDiagnostics(SQL_HANDLE_ENV, env.get());
    return env;
}

}  // namespace db::odbc
