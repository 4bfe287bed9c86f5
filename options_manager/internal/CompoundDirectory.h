// The directory at the start of a compound options database, read the one
// way the library and lumbrix-db both read it: a little-endian entry count,
// then entries of a little-endian stream offset and a 256-byte name field in
// the ANSI code page (NUL-ended unless full). The first entry whose name
// matches the stream's, regardless of case, is the stream. Shared inside the
// build only; no part of the library's interface.
#pragma once

#include <afx.h>

#include "platform/text.h"

#include <cstdint>
#include <cstring>

namespace lumbrix_format
{

constexpr UINT kDirectoryEntrySize = 260;
constexpr std::size_t kStreamNameFieldSize = 256;

inline std::int32_t LittleEndianWord(const unsigned char* bytes)
{
    const std::uint32_t word =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(word);
}

struct StreamSearch
{
    bool found = false;
    // False when the file ended inside the count: the count then holds only
    // the bytes that arrived (the rest zero).
    bool countWhole = true;
    std::int32_t entries = 0;
    // The entries read whole; below entries (and not found) when the file
    // ended inside the next one.
    std::int32_t entriesRead = 0;
};

// Reads the directory from the file's current position. When the stream is
// found, the file is left at its first byte. The file's exceptions pass on.
inline StreamSearch FindStream(CFile& file, const platform::XString& streamName)
{
    StreamSearch search;
    unsigned char countBytes[4] = {0, 0, 0, 0};
    search.countWhole = file.Read(countBytes, sizeof(countBytes)) == sizeof(countBytes);
    search.entries = LittleEndianWord(countBytes);
    for (; search.entriesRead < search.entries; ++search.entriesRead)
    {
        unsigned char entry[kDirectoryEntrySize];
        if (file.Read(entry, kDirectoryEntrySize) < kDirectoryEntrySize)
            return search;
        const char* name = reinterpret_cast<const char*>(entry + 4);
        const void* nul = std::memchr(name, 0, kStreamNameFieldSize);
        const std::size_t length =
            nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - name)
                           : kStreamNameFieldSize;
        if (platform::CompareNoCase(platform::AnsiToText(name, length), streamName) == 0)
        {
            file.Seek(static_cast<LONGLONG>(LittleEndianWord(entry)), CFile::begin);
            search.found = true;
            return search;
        }
    }
    return search;
}

} // namespace lumbrix_format
