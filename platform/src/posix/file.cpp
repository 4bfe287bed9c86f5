// POSIX: files through file descriptors; errno is mapped onto Win32 codes.
#include "platform/file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
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

} // namespace

Status FileOpen(XStringView path, const FileOpenMode& mode, FileHandle& file)
{
    file = kInvalidFile;
    std::string name;
    if (!EncodeFileName(path, name))
        return kErrorInvalidName;
    // Never blocks (a FIFO opens at once and is refused below); a write never
    // follows a symbolic link, and nothing is truncated before the checks.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (mode.read && mode.write)
        flags |= O_RDWR;
    else if (mode.write)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (mode.write)
        flags |= O_NOFOLLOW;
    if (mode.create)
        flags |= O_CREAT;
    const int fd = open(name.c_str(), flags, 0666);
    if (fd < 0)
    {
        // ELOOP: the name is a symbolic link; ENXIO: a FIFO nobody reads.
        return errno == ELOOP || errno == ENXIO ? kErrorAccessDenied : FromErrno(errno);
    }
    // Only a regular file is read or written, and only one that has no other
    // name: a hard link would let a write land in a file somewhere else.
    struct stat st;
    Status status = kSuccess;
    if (fstat(fd, &st) != 0)
        status = FromErrno(errno);
    else if (!S_ISREG(st.st_mode) || (mode.write && st.st_nlink != 1))
        status = kErrorAccessDenied;
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        status = FromErrno(errno);
    else if (mode.create && mode.truncate && st.st_size != 0 && ftruncate(fd, 0) != 0)
        status = FromErrno(errno);
    if (status != kSuccess)
    {
        close(fd);
        return status;
    }
    file = fd;
    return kSuccess;
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
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t done = 0;
    while (done < count)
    {
        const ssize_t put = ::write(Fd(file), bytes + done, count - done);
        if (put < 0)
        {
            if (errno == EINTR)
                continue;
            return FromErrno(errno);
        }
        if (put == 0)
            return kErrorDiskFull;
        done += static_cast<std::uint32_t>(put);
    }
    return kSuccess;
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
    return fsync(Fd(file)) == 0 ? kSuccess : FromErrno(errno);
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
