// Private profile files: the rules both implementations share, so that a
// setting goes through the file the same way on every platform.
#pragma once

#include "platform/text.h"

#include <cstddef>
#include <string>

namespace platform
{
namespace profile
{

// How the text of a profile file is stored.
enum class Encoding
{
    Ansi,
    Utf8,    // without a byte-order mark
    Utf8Bom, // EF BB BF
    Utf16Le, // FF FE
    Utf16Be  // FE FF
};

// The encoding announced by a byte-order mark at the start of the file, and
// the mark's length; Ansi with length 0 when there is none.
Encoding EncodingFromMark(const unsigned char* bytes, std::size_t count, std::size_t& markLength);

// The text of a whole file as UTF-16LE bytes with their byte-order mark:
// decoded by its mark, or in the ANSI code page when it has none, line ends
// and every other unit unchanged. A UTF-16 file cut inside a unit has no
// such form; false then.
bool ToUtf16LeFile(const std::string& bytes, std::string& result);

// The blanks that surround names and values in a profile file.
bool IsBlank(XCHAR c);
XStringView TrimBlanks(XStringView text);

// Whether the ANSI code page holds the text exactly (no '?' on the way).
bool FitsAnsi(XStringView text);

// Whether the three texts can be written as one line each without changing
// the file's structure: no line break or NUL anywhere, and no key that would
// read back as another key or as a section line.
bool IsStorable(const XString* section, const XString* key, const XString* value);

// The names of a list result, walked the way a caller walks the buffer that
// the Win32 call fills: each name followed by NUL, a second NUL after the
// last, the empty text when there is no name.
XString ListFromBuffer(const XCHAR* buffer, std::size_t size);

} // namespace profile
} // namespace platform
