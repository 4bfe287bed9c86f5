// Linux: whether a folder may hold a program run with administrator rights,
// each folder on its path opened without following links.
#include "platform/folder_trust.h"

#include "descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{
namespace
{

using posix::Descriptor;

FolderTrust Untrusted(const std::string& folder, const char* reason)
{
    FolderTrust trust;
    trust.folder = DecodeFileName(folder);
    trust.reason = Ascii(reason);
    return trust;
}

const int kOpenFolder = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

FolderTrust CheckFolderTrust(XStringView folder)
{
    std::string path;
    if (!EncodeFileName(folder, path) || path.empty() || path[0] != '/')
        return Untrusted(path, "is not an absolute path");
    std::vector<std::string> names;
    for (std::size_t start = 1; start <= path.size();)
    {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name == "." || name == "..")
            return Untrusted(path, "is not an absolute path");
        if (!name.empty())
            names.push_back(name);
        start = end + 1;
    }

    const uid_t self = geteuid();
    std::string current = "/";
    Descriptor fd(open("/", kOpenFolder));
    for (std::size_t i = 0;; ++i)
    {
        if (fd.Get() < 0)
        {
            struct stat link;
            if (errno == ELOOP ||
                (i > 0 && lstat(current.c_str(), &link) == 0 && S_ISLNK(link.st_mode)))
                return Untrusted(current, "is a symbolic link");
            return Untrusted(current, "cannot be examined");
        }
        struct stat info;
        if (fstat(fd.Get(), &info) != 0)
            return Untrusted(current, "cannot be examined");
        if (S_ISLNK(info.st_mode))
            return Untrusted(current, "is a symbolic link");
        if (!S_ISDIR(info.st_mode))
            return Untrusted(current, "is not a folder");
        if (info.st_uid != 0 && info.st_uid != self)
            return Untrusted(current, "is owned by another account");
        const bool bLast = i == names.size();
        // Above the folder, a root-owned sticky folder (/tmp) lets others
        // add entries of their own but never remove or replace ours.
        const bool bSticky = !bLast && info.st_uid == 0 && (info.st_mode & S_ISVTX) != 0;
        if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !bSticky)
            return Untrusted(current, "may be changed by other accounts");
        if (bLast)
            break;
        current += (current.size() > 1 ? "/" : "") + names[i];
        fd.Reset(openat(fd.Get(), names[i].c_str(), kOpenFolder));
    }
    FolderTrust trust;
    trust.trusted = true;
    return trust;
}

} // namespace platform
