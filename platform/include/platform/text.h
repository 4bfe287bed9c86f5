// UTF-16 text as the platform layer passes it around, and conversions.
#pragma once

#include "platform/export.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace platform
{

// One UTF-16 code unit. On Windows it is wchar_t itself, so text goes to the
// W functions unchanged; elsewhere wchar_t is 32 bits wide and char16_t holds
// the code unit.
#ifdef _WIN32
using XCHAR = wchar_t;
#else
using XCHAR = char16_t;
#endif
using XString = std::basic_string<XCHAR>;
using XStringView = std::basic_string_view<XCHAR>;

// wchar_t text (UTF-16 on Windows, UTF-32 elsewhere) to UTF-16 and back.
// A null pointer gives the empty text.
PLATFORM_API XString FromWide(const wchar_t* text);
PLATFORM_API XString FromWide(const wchar_t* text, std::size_t length);
PLATFORM_API std::wstring ToWide(XStringView text);

// UTF-8 and UTF-16. Unpaired surrogates and invalid bytes become U+FFFD.
PLATFORM_API std::string ToUtf8(XStringView text);
PLATFORM_API XString FromUtf8(std::string_view bytes);

// ASCII literal to UTF-16, for fixed texts of the platform layer.
PLATFORM_API XString Ascii(const char* text);

// Text in the ANSI code page (the system's on Windows, Windows-1252 elsewhere).
// Every byte converts, NUL bytes included; a character without an ANSI form
// becomes '?'.
PLATFORM_API XString AnsiToText(const char* bytes, std::size_t count);
PLATFORM_API std::string TextToAnsi(XStringView text);

// Letter case folded the same way on every platform (simple case mapping of
// the Latin, Greek and Cyrillic letters), for comparisons that ignore case.
PLATFORM_API XCHAR FoldCase(XCHAR c);
PLATFORM_API int CompareNoCase(XStringView a, XStringView b);

} // namespace platform
