// The framework's basic types, as a framework user knows them.
#pragma once

#include "afx/export.h"

#include <cstddef>
#include <cstdint>

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef int INT;
#ifdef _WIN32
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned long ULONG;
#else
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
#endif
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef LONG SCODE;

typedef wchar_t WCHAR;
typedef wchar_t TCHAR;
typedef const wchar_t* LPCWSTR;
typedef const wchar_t* LPCTSTR;
typedef wchar_t* LPWSTR;
typedef wchar_t* LPTSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef UINT* PUINT;

// The module handle; on Windows the same distinct handle type that
// <windows.h> declares, so a host can include both.
#ifdef _WIN32
struct HINSTANCE__;
typedef struct HINSTANCE__* HINSTANCE;
#else
typedef void* HINSTANCE;
#endif

// An opaque place in a collection's enumeration.
struct AfxPosition;
typedef AfxPosition* POSITION;

// Message box styles used by the framework's reports.
#ifndef MB_OK
#define MB_OK 0x00000000L
#endif
