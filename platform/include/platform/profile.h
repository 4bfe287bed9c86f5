// Private profile (INI) files.
//
// Windows: GetPrivateProfileStringW / WritePrivateProfileStringW.
// POSIX: an implementation with the behaviour callers of those functions see:
// names without regard to case, blanks around names and values ignored, one
// pair of quotes stripped from a value on reading, a null key removing the
// section and a null value removing the key, CR LF line ends, and files read
// whether ANSI, UTF-16 with a byte-order mark, or UTF-8.
//
// On both, text never turns into '?' on its way through a file: a new file
// whose texts need more than the ANSI code page is started as UTF-16LE with
// its byte-order mark, and an existing file whose encoding cannot hold them
// is first rewritten once as UTF-16LE with its mark (every line kept as it
// reads, the new file put in place of the old in one step, never through a
// link). A write of a line break, a NUL, or a key that would read back as
// something else ('=' in it, or '[' first) fails and leaves the file as it
// was.
//
// Writers take turns, across threads and processes, so that none loses
// another's entries. Every file this layer writes (POSIX: each write; both:
// the rewrite as UTF-16) is written anew beside the old one, flushed and put
// in its place in one step: a failure or a crash leaves the old file whole,
// and success is reported only once the new content is in place.
#pragma once

#include "platform/text.h"

#include "platform/export.h"
#include <cstddef>

namespace platform
{

// Null pointers have the meaning they have for the Win32 calls. A value is
// cut to bufferSize - 1 units as those calls cut it. A null section or key
// asks for the list of section or key names: each name followed by NUL and
// one more NUL after the last (the empty text when there is none), cut to
// the buffer the way those calls cut it.
PLATFORM_API XString GetPrivateProfileText(const XString* section, const XString* key,
                                           const XString* defaultText, std::size_t bufferSize,
                                           const XString& fileName);
// A write without a section fails and changes nothing.
PLATFORM_API bool WritePrivateProfileText(const XString* section, const XString* key,
                                          const XString* value, const XString& fileName);

} // namespace platform
