#pragma once

// The ODBC API. Windows' sql.h uses the system's own types (HWND, DWORD, ...)
// without declaring them, so there windows.h comes first.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
