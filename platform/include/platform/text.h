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
// A null pointer gives the empty text; an unpaired surrogate is kept.
PLATFORM_API XString FromWide(const wchar_t* text);
PLATFORM_API XString FromWide(const wchar_t* text, std::size_t length);
PLATFORM_API std::wstring ToWide(XStringView text);

// UTF-8 and UTF-16. Unpaired surrogates and invalid bytes become U+FFFD.
PLATFORM_API std::string ToUtf8(XStringView text);
PLATFORM_API XString FromUtf8(std::string_view bytes);

// The one UTF-8 decoder; what becomes of bytes that are not well-formed
// UTF-8 (a lead byte without its continuation bytes, a stray continuation
// byte, an overlong form, a surrogate, a code point past U+10FFFF) is the
// caller's choice:
enum class Utf8Policy
{
    // U+FFFD, and decoding goes on at the next byte; a surrogate or a code
    // point past U+10FFFF, which is complete, gives one U+FFFD for all of
    // its bytes (FromUtf8).
    kReplace,
    // Each such byte stands for itself as U+DC00 + byte (DecodeFileName).
    kEscapeBytes,
    // Decoding stops there and the result is false: a check for
    // well-formed UTF-8.
    kReject,
};
// Appends the decoded text to out; false only when kReject met a fault.
PLATFORM_API bool DecodeUtf8(std::string_view bytes, Utf8Policy policy, XString& out);

// File-system names on POSIX, where a name is any bytes but NUL and text is
// UTF-16: UTF-8, except that each byte that is not part of valid UTF-8 (any
// of 0x80..0xFF) stands for itself as the lone surrogate U+DC80..U+DCFF. So
// every name the system hands out comes back to the same bytes, and a folder
// whose name is not UTF-8 is never mistaken for another one.
PLATFORM_API XString DecodeFileName(std::string_view bytes);
// False (bytes empty) for a name no file can have: a NUL, or an unpaired
// surrogate that is not one of those escapes.
PLATFORM_API bool EncodeFileName(XStringView name, std::string& bytes);

// ASCII literal to UTF-16, for fixed texts of the platform layer.
PLATFORM_API XString Ascii(const char* text);

// Text in the ANSI code page that CurrentOs().AnsiCodePage() names (os.h):
// the system's on Windows; elsewhere Windows-1252, or UTF-8 (65001) where
// the registry's SYSTEM\CurrentControlSet\Control\Nls\CodePage "ACP" says
// so, as it does on Windows set to UTF-8. Every byte converts, NUL bytes
// included; a character without an ANSI form becomes '?'.
PLATFORM_API XString AnsiToText(const char* bytes, std::size_t count);
// False (bytes empty) when the system cannot convert the text: whoever writes
// the bytes must treat that as a failed write, never as an empty text.
PLATFORM_API bool TextToAnsi(XStringView text, std::string& bytes);
// The same for checks that compare a round trip: the empty text on failure.
PLATFORM_API std::string TextToAnsi(XStringView text);
// Bytes as a file's text mode writes them: each line feed after a carriage
// return.
PLATFORM_API std::string WithCarriageReturns(std::string_view bytes);
// The same conversions in a code page of the caller's choice. Outside
// Windows every code page but 65001 is Windows-1252.
PLATFORM_API XString AnsiToText(unsigned codePage, const char* bytes, std::size_t count);
PLATFORM_API bool TextToAnsi(unsigned codePage, XStringView text, std::string& bytes);

// Letter case folded the same way on every platform (simple case mapping of
// the Latin, Greek and Cyrillic letters), for comparisons that ignore case.
PLATFORM_API XCHAR FoldCase(XCHAR c);
PLATFORM_API int CompareNoCase(XStringView a, XStringView b);

} // namespace platform
