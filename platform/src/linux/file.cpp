// Linux: files through file descriptors; errno is mapped onto Win32 codes.
#include "platform/file.h"

#include "descriptor.h"

#include "platform/file_faults.h"
#include "platform/file_replace.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{
namespace
{

Status FromErrno(int error)
{
    switch (error)
    {
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return kErrorAccessDenied;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case EBADF:
        return kErrorInvalidHandle;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case EEXIST:
        return kErrorFileExists;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case EINVAL:
        return kErrorInvalidParameter;
    case ETXTBSY:
    case EBUSY:
        return kErrorSharingViolation;
    default:
        return 1117; // ERROR_IO_DEVICE
    }
}

int Fd(FileHandle file)
{
    return static_cast<int>(file);
}

void Fill(const struct stat& st, FileInfo& info)
{
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.directory = S_ISDIR(st.st_mode);
    info.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    info.modified = static_cast<std::int64_t>(st.st_mtime);
}

using posix::Descriptor;

// A path cut into its folder and its last name.
struct SplitPath
{
    std::string folder; // "/" for a file in the root
    std::string name;
};

bool Split(const std::string& path, SplitPath& parts)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return false;
    parts.folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    parts.name = path.substr(slash + 1);
    return parts.name != "." && parts.name != "..";
}

// The absolute, tidied form of a path, in file-system bytes.
bool AbsoluteName(XStringView path, std::string& name)
{
    return !path.empty() && EncodeFileName(FullPath(path), name) && !name.empty() && name[0] == '/';
}

// Opens a folder one name at a time from the root, never following a link:
// a symbolic link anywhere on the way fails with 5. Each step opens relative
// to the folder the step before opened, so nobody can swap a folder on the
// way for a link between a check and a use.
Status OpenFolderWithoutLinks(const std::string& folder, Descriptor& result)
{
    Descriptor current(open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (current.Get() < 0)
        return FromErrno(errno);
    std::size_t start = 0;
    while (start < folder.size())
    {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos)
            end = folder.size();
        const std::string part = folder.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        const int next = openat(current.Get(), part.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (next < 0)
        {
            // A symbolic link gives ELOOP or ENOTDIR; so does a file where a
            // folder should be, which is only a wrong path.
            const int error = errno;
            struct stat st;
            if ((error == ELOOP || error == ENOTDIR) &&
                fstatat(current.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                return kErrorAccessDenied;
            return error == ENOENT || error == ENOTDIR ? kErrorPathNotFound : FromErrno(error);
        }
        current.Reset(next);
    }
    result.Reset(current.Release());
    return kSuccess;
}

// Only a regular file is used, and where links are refused only one with a
// single name (a hard link would let a write land in a file somewhere else).
// The descriptor is then made blocking again.
Status CheckOpened(int fd, bool singleName)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return FromErrno(errno);
    if (!S_ISREG(st.st_mode) || (singleName && st.st_nlink != 1))
        return kErrorAccessDenied;
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return FromErrno(errno);
    return kSuccess;
}

int OpenFlags(const FileOpenMode& mode)
{
    // Never blocks (a FIFO opens at once and is refused after), never becomes
    // the controlling terminal, never reaches a started program.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (mode.read && mode.write)
        flags |= O_RDWR;
    else if (mode.write)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (mode.write || mode.noLinks)
        flags |= O_NOFOLLOW;
    if (mode.create)
        flags |= O_CREAT;
    return flags;
}

// ELOOP: the name is a symbolic link; ENXIO: a FIFO nobody reads.
Status FromOpenErrno(int error)
{
    return error == ELOOP || error == ENXIO ? kErrorAccessDenied : FromErrno(error);
}

Status WriteAll(int fd, const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < count)
    {
        const Status fault = CheckFileCall(FileCall::Write);
        if (fault != kSuccess)
            return fault;
        const ssize_t put = ::write(fd, bytes + done, count - done);
        if (put < 0)
        {
            if (errno == EINTR)
                continue;
            return FromErrno(errno);
        }
        if (put == 0)
            return kErrorDiskFull;
        done += static_cast<std::size_t>(put);
    }
    return kSuccess;
}

Status Flush(int fd)
{
    const Status fault = CheckFileCall(FileCall::Flush);
    if (fault != kSuccess)
        return fault;
    return fsync(fd) == 0 ? kSuccess : FromErrno(errno);
}

const char kNewSuffix[] = ".new-";

// Removes what a replace of this name left behind in a process that has
// ended: "<name>.new-<pid>" whose process no longer runs.
void RemoveLeftovers(int folder, const std::string& name)
{
    const int listed = dup(folder);
    if (listed < 0)
        return;
    DIR* dir = fdopendir(listed);
    if (dir == nullptr)
    {
        close(listed);
        return;
    }
    const std::string prefix = name + kNewSuffix;
    std::vector<std::string> stale;
    while (const dirent* entry = readdir(dir))
    {
        const std::string candidate = entry->d_name;
        if (candidate.size() <= prefix.size() || candidate.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = candidate.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid > 0 && pid != static_cast<long>(getpid()) &&
            kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            stale.push_back(candidate);
    }
    closedir(dir);
    for (const std::string& leftover : stale)
        unlinkat(folder, leftover.c_str(), 0);
}

// Where a replace lands: the folder, opened without links, and the name in it.
Status ResolveTarget(XStringView path, LinkPolicy links, Descriptor& folder, std::string& name)
{
    std::string full;
    if (!AbsoluteName(path, full))
        return kErrorInvalidName;
    if (links == LinkPolicy::ReplaceTarget)
    {
        // The file a link names is the one replaced: resolved once here, then
        // reached without links like any other.
        std::vector<char> resolved(PATH_MAX + 1, '\0');
        SplitPath parts;
        if (realpath(full.c_str(), resolved.data()) != nullptr)
            full = resolved.data();
        else if (Split(full, parts) && realpath(parts.folder.c_str(), resolved.data()) != nullptr)
            full = std::string(resolved.data()) + (resolved[1] == '\0' ? "" : "/") + parts.name;
    }
    SplitPath parts;
    if (!Split(full, parts))
        return kErrorInvalidName;
    name = parts.name;
    return OpenFolderWithoutLinks(parts.folder, folder);
}

} // namespace

Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    file = kInvalidFile;
    if (mode.write)
    {
        const Status fault = CheckFileCall(FileCall::OpenForWrite);
        if (fault != kSuccess)
            return fault;
    }
    Descriptor fd;
    if (mode.noLinks)
    {
        std::string name;
        SplitPath parts;
        if (!AbsoluteName(path, name) || !Split(name, parts))
            return kErrorInvalidName;
        Descriptor folder;
        const Status status = OpenFolderWithoutLinks(parts.folder, folder);
        if (status != kSuccess)
            return status;
        fd.Reset(openat(folder.Get(), parts.name.c_str(), OpenFlags(mode), 0666));
    }
    else
    {
        std::string name;
        if (!EncodeFileName(path, name))
            return kErrorInvalidName;
        fd.Reset(open(name.c_str(), OpenFlags(mode), 0666));
    }
    if (fd.Get() < 0)
        return FromOpenErrno(errno);
    // An existing file is emptied only once it has passed the checks.
    Status status = CheckOpened(fd.Get(), mode.write || mode.noLinks);
    if (status == kSuccess && mode.create && mode.truncate && ftruncate(fd.Get(), 0) != 0)
        status = FromErrno(errno);
    if (status != kSuccess)
        return status;
    file = fd.Release();
    return kSuccess;
}

Status ReplaceFileContent(XStringView path, const void* data, std::size_t size,
                          const ReplaceOptions& options)
{
    Descriptor folder;
    std::string name;
    Status status = ResolveTarget(path, options.links, folder, name);
    if (status != kSuccess)
        return status;

    // The old file, if any: only a regular file is replaced, and an elevated
    // writer replaces only one with a single name.
    struct stat old;
    const bool hadOld = fstatat(folder.Get(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!hadOld && errno != ENOENT)
        return FromErrno(errno);
    if (hadOld &&
        (!S_ISREG(old.st_mode) || (options.links == LinkPolicy::Refuse && old.st_nlink != 1)))
        return kErrorAccessDenied;

    RemoveLeftovers(folder.Get(), name);
    const std::string temporary = name + kNewSuffix + std::to_string(getpid());
    status = CheckFileCall(FileCall::OpenForWrite);
    if (status != kSuccess)
        return status;
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    Descriptor file(openat(folder.Get(), temporary.c_str(), flags, 0666));
    if (file.Get() < 0 && errno == EEXIST)
    {
        // Left by this very process id before: no other writer owns it.
        unlinkat(folder.Get(), temporary.c_str(), 0);
        file.Reset(openat(folder.Get(), temporary.c_str(), flags, 0666));
    }
    if (file.Get() < 0)
        return FromOpenErrno(errno);

    if (hadOld)
    {
        // The new file takes the old one's owner and mode (an owner only an
        // administrator may hand over is kept where the process may).
        if (fchown(file.Get(), old.st_uid, old.st_gid) != 0 && errno != EPERM)
            status = FromErrno(errno);
        if (status == kSuccess && fchmod(file.Get(), old.st_mode & 07777) != 0)
            status = FromErrno(errno);
    }
    if (status == kSuccess)
        status = WriteAll(file.Get(), data, size);
    if (status == kSuccess)
        status = Flush(file.Get());
    if (status == kSuccess && close(file.Release()) != 0)
        status = FromErrno(errno);
    if (status == kSuccess && options.beforeReplace && !options.beforeReplace())
        status = kErrorFileChanged;
    if (status == kSuccess)
        status = CheckFileCall(FileCall::Replace);
    if (status == kSuccess &&
        renameat(folder.Get(), temporary.c_str(), folder.Get(), name.c_str()) != 0)
        status = FromErrno(errno);
    if (status != kSuccess)
    {
        unlinkat(folder.Get(), temporary.c_str(), 0);
        return status;
    }
    // The new name itself is durable only once the folder is flushed.
    return Flush(folder.Get());
}

Status FileRead(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t& read)
{
    read = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (read < count)
    {
        const ssize_t got = ::read(Fd(file), bytes + read, count - read);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return FromErrno(errno);
        }
        if (got == 0)
            break;
        read += static_cast<std::uint32_t>(got);
    }
    return kSuccess;
}

Status FileWrite(FileHandle file, const void* data, std::uint32_t count)
{
    return WriteAll(Fd(file), data, count);
}

Status FileSeek(FileHandle file, std::int64_t offset, SeekOrigin origin, std::uint64_t& position)
{
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t result = lseek(Fd(file), static_cast<off_t>(offset), whence);
    if (result < 0)
        return errno == EINVAL ? kErrorNegativeSeek : FromErrno(errno);
    position = static_cast<std::uint64_t>(result);
    return kSuccess;
}

Status FileSize(FileHandle file, std::uint64_t& size)
{
    struct stat st;
    if (fstat(Fd(file), &st) != 0)
        return FromErrno(errno);
    size = static_cast<std::uint64_t>(st.st_size);
    return kSuccess;
}

Status FileFlush(FileHandle file)
{
    return Flush(Fd(file));
}

Status FileClose(FileHandle file)
{
    return close(Fd(file)) == 0 ? kSuccess : FromErrno(errno);
}

Status FileStatusByName(XStringView path, FileInfo& info)
{
    struct stat st;
    std::string name;
    if (!EncodeFileName(path, name))
        return kErrorInvalidName;
    if (stat(name.c_str(), &st) != 0)
        return FromErrno(errno);
    Fill(st, info);
    return kSuccess;
}

Status FileStatusByHandle(FileHandle file, FileInfo& info)
{
    struct stat st;
    if (fstat(Fd(file), &st) != 0)
        return FromErrno(errno);
    Fill(st, info);
    return kSuccess;
}

bool PathExists(XStringView path)
{
    struct stat st;
    std::string name;
    return !path.empty() && EncodeFileName(path, name) && stat(name.c_str(), &st) == 0;
}

XString FullPath(XStringView path)
{
    // Made absolute and tidied of "." and ".." without following links, as
    // GetFullPathNameW does.
    std::string text;
    if (!EncodeFileName(path, text))
        return XString(path);
    if (text.empty() || text[0] != '/')
    {
        std::vector<char> cwd(PATH_MAX);
        if (getcwd(cwd.data(), cwd.size()) != nullptr)
            text = std::string(cwd.data()) + "/" + text;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size())
    {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        if (part == "..")
        {
            if (!parts.empty())
                parts.pop_back();
        }
        else if (!part.empty() && part != ".")
        {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts)
        full += "/" + part;
    if (full.empty() || (!text.empty() && text.back() == '/' && full != "/"))
        full += "/";
    return DecodeFileName(full);
}

} // namespace platform
