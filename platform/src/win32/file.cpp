// Win32: files through the kernel's file functions.
#include "platform/file.h"

#include "platform/file_faults.h"
#include "platform/file_replace.h"

#include "handles.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

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

using win32::Handle;
using win32::SamePath;

Status LastError()
{
    return static_cast<Status>(GetLastError());
}

// Whether the open file or folder is the one the path names, with no link on
// the way: the handle is no reparse point itself, and the path the system
// reached is the path asked for (a junction or a symbolic link anywhere above
// leads somewhere else).
Status CheckReachedWithoutLinks(HANDLE handle, const std::wstring& expected)
{
    BY_HANDLE_FILE_INFORMATION data;
    if (!GetFileInformationByHandle(handle, &data))
        return LastError();
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return ERROR_ACCESS_DENIED;
    const std::wstring reached = win32::FinalPath(handle);
    if (reached.empty())
        return LastError();
    return SamePath(reached, expected) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

std::wstring FolderPart(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    // "C:\x": the folder is the root "C:\", which keeps its separator.
    if (slash == 2 && path[1] == L':')
        return path.substr(0, 3);
    return path.substr(0, slash);
}

// Opens a folder for the length of a write beside it: checked to be reached
// without links, and held without delete sharing so that it cannot be
// renamed or replaced meanwhile.
Status OpenFolderWithoutLinks(const std::wstring& folder, Handle& result)
{
    Handle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.Valid())
        return LastError();
    const Status status = CheckReachedWithoutLinks(handle.Get(), folder);
    if (status != ERROR_SUCCESS)
        return status;
    result.Reset(handle.Release());
    return ERROR_SUCCESS;
}

Status WriteAll(HANDLE handle, const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < count)
    {
        const Status fault = CheckFileCall(FileCall::Write);
        if (fault != ERROR_SUCCESS)
            return fault;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes + done, chunk, &written, nullptr))
            return LastError();
        if (written == 0)
            return ERROR_DISK_FULL;
        done += written;
    }
    return ERROR_SUCCESS;
}

Status Flush(HANDLE handle)
{
    const Status fault = CheckFileCall(FileCall::Flush);
    if (fault != ERROR_SUCCESS)
        return fault;
    return FlushFileBuffers(handle) ? ERROR_SUCCESS : LastError();
}

const wchar_t kNewSuffix[] = L".new-";
const wchar_t kOldSuffix[] = L".old-";

bool ProcessHasEnded(DWORD pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// Removes what a replace of this name left behind in a process that has
// ended: "<name>.new-<pid>" and "<name>.old-<pid>".
void RemoveLeftovers(const std::wstring& folder, const std::wstring& name)
{
    for (const wchar_t* suffix : {kNewSuffix, kOldSuffix})
    {
        const std::wstring prefix = name + suffix;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileExW((folder + L"\\" + prefix + L"*").c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do
        {
            const std::wstring candidate = found.cFileName;
            if (candidate.size() <= prefix.size() ||
                (found.dwFileAttributes &
                 (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
                continue;
            const std::wstring digits = candidate.substr(prefix.size());
            if (digits.size() > 9 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
                continue;
            const DWORD pid = static_cast<DWORD>(std::wcstoul(digits.c_str(), nullptr, 10));
            if (pid != GetCurrentProcessId() && ProcessHasEnded(pid))
                DeleteFileW((folder + L"\\" + candidate).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

// The file a link names, for a writer that replaces a link's target.
std::wstring LinkTarget(const std::wstring& path)
{
    Handle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::wstring target = handle.Valid() ? win32::FinalPath(handle.Get()) : std::wstring();
    return target.empty() ? path : target;
}

} // namespace

Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    file = kInvalidFile;
    if (mode.write)
    {
        const Status fault = CheckFileCall(FileCall::OpenForWrite);
        if (fault != ERROR_SUCCESS)
            return fault;
    }
    const std::wstring name = mode.noLinks ? std::wstring(FullPath(path)) : std::wstring(path);
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
    // A write, and any open that refuses links, opens a reparse point (a
    // symbolic link, a junction) itself rather than what it points at, so
    // that the checks below can refuse it. The handle is never inherited.
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (mode.write || mode.noLinks)
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    Handle handle(CreateFileW(name.c_str(), access, share, nullptr, disposition, flags, nullptr));
    if (!handle.Valid())
        return LastError();
    // Only a file on disk is read or written (never a pipe or a device), and
    // a write, or an open that refuses links, only one that is no link and
    // has no other name.
    Status status = ERROR_SUCCESS;
    BY_HANDLE_FILE_INFORMATION data;
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK)
        status = ERROR_ACCESS_DENIED;
    else if (!mode.write && !mode.noLinks)
        status = ERROR_SUCCESS;
    else if (!GetFileInformationByHandle(handle.Get(), &data))
        status = LastError();
    else if ((data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
                 0 ||
             data.nNumberOfLinks != 1)
        status = ERROR_ACCESS_DENIED;
    else if (mode.noLinks)
        status = CheckReachedWithoutLinks(handle.Get(), name);
    if (status == ERROR_SUCCESS && mode.create && mode.truncate && !SetEndOfFile(handle.Get()))
        status = LastError();
    if (status != ERROR_SUCCESS)
        return status;
    file = reinterpret_cast<FileHandle>(handle.Release());
    return ERROR_SUCCESS;
}

Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                          const ReplaceOptions& options)
{
    std::wstring target(FullPath(path));
    if (options.links == LinkPolicy::ReplaceTarget)
        target = LinkTarget(target);
    const std::wstring folder = FolderPart(target);
    if (folder.empty() || folder.size() + 1 >= target.size())
        return ERROR_INVALID_NAME;
    const std::wstring name = target.substr(target.find_last_of(L'\\') + 1);

    Handle folderHandle;
    Status status = OpenFolderWithoutLinks(folder, folderHandle);
    if (status != ERROR_SUCCESS)
        return status;

    // The old file, if any: only a regular file is replaced, and an elevated
    // writer replaces only one with a single name.
    bool hadOld = false;
    {
        Handle old(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (old.Valid())
        {
            BY_HANDLE_FILE_INFORMATION oldData;
            if (!GetFileInformationByHandle(old.Get(), &oldData))
                return LastError();
            if ((oldData.dwFileAttributes &
                 (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
                (options.links == LinkPolicy::Refuse && oldData.nNumberOfLinks != 1))
                return ERROR_ACCESS_DENIED;
            hadOld = true;
        }
        else if (GetLastError() != ERROR_FILE_NOT_FOUND)
        {
            return LastError();
        }
    }

    RemoveLeftovers(folder, name);
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    const std::wstring temporary = target + kNewSuffix + pid;
    const std::wstring backup = target + kOldSuffix + pid;
    status = CheckFileCall(FileCall::OpenForWrite);
    if (status != ERROR_SUCCESS)
        return status;
    const auto create = [&temporary]
    {
        return CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    Handle file(create());
    if (!file.Valid() && GetLastError() == ERROR_FILE_EXISTS)
    {
        // Left by this very process id before: no other writer owns it.
        DeleteFileW(temporary.c_str());
        file.Reset(create());
    }
    if (!file.Valid())
        return LastError();
    status = CheckReachedWithoutLinks(file.Get(), temporary);
    if (status == ERROR_SUCCESS)
        status = WriteAll(file.Get(), data, size);
    if (status == ERROR_SUCCESS)
        status = Flush(file.Get());
    CloseHandle(file.Release());
    if (status == ERROR_SUCCESS && options.beforeReplace && !options.beforeReplace())
        status = kErrorFileChanged;
    if (status == ERROR_SUCCESS)
        status = CheckFileCall(FileCall::Replace);
    if (status == ERROR_SUCCESS)
    {
        // ReplaceFileW keeps the old file's attributes and security. With a
        // backup name, a failure leaves both files under a name: the old one
        // under its own, or under the backup name, from where it goes back.
        const BOOL replaced = hadOld
                                  ? ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(),
                                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                  : MoveFileExW(temporary.c_str(), target.c_str(),
                                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!replaced)
        {
            status = LastError();
            if (status == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
                MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        }
        else if (hadOld)
        {
            DeleteFileW(backup.c_str());
        }
    }
    if (status != ERROR_SUCCESS)
        DeleteFileW(temporary.c_str());
    return status;
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
    return WriteAll(Native(file), data, count);
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
    return Flush(Native(file));
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
