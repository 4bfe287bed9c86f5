// Win32: files through the kernel's file functions.
#include "platform/file.h"

#include <windows.h>

namespace platform
{
namespace
{

HANDLE Native(FileHandle file)
{
    return reinterpret_cast<HANDLE>(file);
}

std::int64_t UnixSeconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<std::int64_t>(value.QuadPart / 10000000ULL) - 11644473600LL;
}

} // namespace

Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    file = kInvalidFile;
    const std::wstring name(path);
    DWORD access = 0;
    if (mode.read)
        access |= GENERIC_READ;
    if (mode.write)
        access |= GENERIC_WRITE;
    DWORD share = 0;
    if (!mode.denyRead)
        share |= FILE_SHARE_READ;
    if (!mode.denyWrite)
        share |= FILE_SHARE_WRITE;
    // An existing file is emptied only once it has passed the checks below.
    const DWORD disposition = mode.create ? OPEN_ALWAYS : OPEN_EXISTING;
    // A write opens a reparse point (a symbolic link, a junction) itself
    // rather than what it points at, so that the check below can refuse it.
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (mode.write)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    HANDLE handle =
        CreateFileW(name.c_str(), access, share, &security, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return static_cast<Status>(GetLastError());
    // Only a file on disk is read or written (never a pipe or a device), and
    // a write only to one that is no link and has no other name.
    Status status = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION data;
    if (GetFileType(handle) != FILE_TYPE_DISK)
        status = ERROR_ACCESS_DENIED;
    else if (!mode.write)
        status = ERROR_SUCCESS;
    else if (!GetFileInformationByHandle(handle, &data))
        status = static_cast<Status>(GetLastError());
    else if ((data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
                 0 ||
             data.nNumberOfLinks != 1)
        status = ERROR_ACCESS_DENIED;
    else if (mode.create && mode.truncate && !SetEndOfFile(handle))
        status = static_cast<Status>(GetLastError());
    if (status != ERROR_SUCCESS)
    {
        CloseHandle(handle);
        return status;
    }
    file = reinterpret_cast<FileHandle>(handle);
    return ERROR_SUCCESS;
}

Status FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read)
{
    DWORD got = 0;
    read = 0;
    if (!ReadFile(Native(file), buffer, count, &got, nullptr))
        return static_cast<Status>(GetLastError());
    read = got;
    return ERROR_SUCCESS;
}

Status FileWrite(FileHandle file, const void* data, std::uint32_t count)
{
    DWORD written = 0;
    if (!WriteFile(Native(file), data, count, &written, nullptr))
        return static_cast<Status>(GetLastError());
    return written == count ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin, std::uint64_t& position)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    if (!SetFilePointerEx(Native(file), distance, &result, method))
        return static_cast<Status>(GetLastError());
    position = static_cast<std::uint64_t>(result.QuadPart);
    return ERROR_SUCCESS;
}

Status FileSize(FileHandle file, std::uint64_t& size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(Native(file), &value))
        return static_cast<Status>(GetLastError());
    size = static_cast<std::uint64_t>(value.QuadPart);
    return ERROR_SUCCESS;
}

Status FileFlush(FileHandle file)
{
    return FlushFileBuffers(Native(file)) ? ERROR_SUCCESS : static_cast<Status>(GetLastError());
}

Status FileClose(FileHandle file)
{
    return CloseHandle(Native(file)) ? ERROR_SUCCESS : static_cast<Status>(GetLastError());
}

Status FileStatusByName(XStringView path, FileInfo& info)
{
    const std::wstring name(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
        return static_cast<Status>(GetLastError());
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.modified = UnixSeconds(data.ftLastWriteTime);
    return ERROR_SUCCESS;
}

Status FileStatusByHandle(FileHandle file, FileInfo& info)
{
    BY_HANDLE_FILE_INFORMATION data;
    if (!GetFileInformationByHandle(Native(file), &data))
        return static_cast<Status>(GetLastError());
    info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    info.modified = UnixSeconds(data.ftLastWriteTime);
    return ERROR_SUCCESS;
}

bool PathExists(XStringView path)
{
    const std::wstring name(path);
    return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

XString FullPath(XStringView path)
{
    const std::wstring name(path);
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return XString(path);
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed)
        return XString(path);
    buffer.resize(length);
    return buffer;
}

} // namespace platform
