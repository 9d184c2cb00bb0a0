#pragma once

// Conversions between QString and the driver manager's wide characters.

#include "db/OdbcApi.h"

#include <QString>

namespace db::odbc {

// unixODBC and Windows both use UTF-16 code units for SQLWCHAR, the same as
// QString, so text crosses over without re-encoding.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be a UTF-16 code unit");

// The ODBC prototypes take non-const pointers even for input text.
inline SQLWCHAR* wide(const QString& text)
{
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

inline QString fromWide(const SQLWCHAR* text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace db::odbc
