// Linux: the process list from /proc.
#include "platform/processes.h"

#include <cctype>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace platform
{
namespace
{

std::string BaseName(const std::string& path, bool windowsPath)
{
    const std::size_t cut = windowsPath ? path.find_last_of("/\\") : path.rfind('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsWineLoader(const std::string& name)
{
    return name.rfind("wine", 0) == 0;
}

std::string ReadFile(const std::string& path)
{
    // A process may end while the list is walked: reading its files then
    // fails (ESRCH), which the stream reports by throwing. It counts as gone.
    std::ifstream in(path, std::ios::binary);
    try
    {
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    catch (const std::ios_base::failure&)
    {
        return std::string();
    }
}

// The executable's file name of one process, or empty for a kernel thread.
std::string ProcessName(const std::string& pid)
{
    const std::string dir = "/proc/" + pid;
    char target[4096];
    const ssize_t length = readlink((dir + "/exe").c_str(), target, sizeof(target) - 1);
    if (length > 0)
    {
        std::string path(target, static_cast<std::size_t>(length));
        const std::string deleted = " (deleted)";
        if (path.size() > deleted.size() &&
            path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.resize(path.size() - deleted.size());
        std::string name = BaseName(path, false);
        if (!IsWineLoader(name))
            return name;
        // A Windows program under Wine: its image is the loader, and its
        // first argument is the program's own path.
        const std::string cmdline = ReadFile(dir + "/cmdline");
        const std::string first = cmdline.substr(0, cmdline.find('\0'));
        if (!first.empty())
            return BaseName(first, true);
        return name;
    }
    // No access to the image: the kernel's name for it (at most 15 bytes).
    std::string comm = ReadFile(dir + "/comm");
    while (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    return comm;
}

} // namespace

bool ListProcessNames(std::vector<XString>& names)
{
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return false;
    bool any = false;
    while (const dirent* entry = readdir(proc))
    {
        const std::string pid = entry->d_name;
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        const std::string name = ProcessName(pid);
        if (name.empty())
            continue;
        names.push_back(FromUtf8(name));
        any = true;
    }
    closedir(proc);
    return any;
}

} // namespace platform
