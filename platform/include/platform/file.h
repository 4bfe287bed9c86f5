// Files: the operations the framework's file classes are built on.
#pragma once

#include "platform/export.h"
#include "platform/status.h"
#include "platform/text.h"

#include <cstdint>

namespace platform
{

using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFile = -1;

struct FileOpenMode
{
    bool read = true;
    bool write = false;
    bool create = false;  // create, or truncate an existing file
    bool truncate = true; // with create: an existing file is emptied
    bool denyWrite = false;
    bool denyRead = false;
    // No link anywhere on the path, for reads as for writes: every folder on
    // the way and the file itself are taken as they are (a symbolic link, a
    // junction or another reparse point is refused with 5), and so is a file
    // with more than one name. What an elevated program opens.
    bool noLinks = false;
};

enum class SeekOrigin
{
    Begin,
    Current,
    End
};

struct FileInfo
{
    std::uint64_t size = 0;
    bool directory = false;
    bool readOnly = false;
    std::int64_t modified = 0; // seconds since 1970
};

// Opens only a regular file on disk, without ever blocking (a FIFO or a
// device is refused with 5, at once). A write never goes through a link: a
// symbolic link, a reparse point, or a file with more than one name (hard
// links) is refused with 5, and an existing file is emptied only after those
// checks passed.
Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file);
// Reads up to count bytes; fewer only at the end of the file.
Status FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read);
// Writes all count bytes or fails (112 when the disk is full).
Status FileWrite(FileHandle file, const void* data, std::uint32_t count);
// A position before the start fails with 131.
Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin, std::uint64_t& position);
Status FileSize(FileHandle file, std::uint64_t& size);
Status FileFlush(FileHandle file);
Status FileClose(FileHandle file);
// Status of a file by name (a folder counts too).
Status FileStatusByName(XStringView path, FileInfo& info);
Status FileStatusByHandle(FileHandle file, FileInfo& info);
PLATFORM_API bool PathExists(XStringView path);
// The absolute form of a path, as GetFullPathNameW gives it.
PLATFORM_API XString FullPath(XStringView path);
// The character that separates folders in paths of this platform.
constexpr XCHAR kPathSeparator =
#ifdef _WIN32
    L'\\';
#else
    u'/';
#endif

} // namespace platform
