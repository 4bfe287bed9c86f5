// Private profile (INI) files.
//
// Windows: GetPrivateProfileStringW / WritePrivateProfileStringW.
// POSIX: an implementation with the behaviour callers of those functions see:
// names without regard to case, blanks around names and values ignored, one
// pair of quotes stripped from a value on reading, a null key removing the
// section and a null value removing the key, CR LF line ends, and files read
// whether ANSI, UTF-16LE with a byte-order mark, or UTF-8.
#pragma once

#include "platform/text.h"

#include <cstddef>

namespace platform
{

// Null pointers have the meaning they have for the Win32 calls. The result
// is cut to bufferSize - 1 units as those calls cut it.
XString GetPrivateProfileText(const XString* section, const XString* key,
                              const XString* defaultText, std::size_t bufferSize,
                              const XString& fileName);
bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                             const XString& fileName);

} // namespace platform
