// Linux: the program's own image and command line.
#include "platform/module.h"

#include "platform/file.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace platform
{

void* ModuleHandle()
{
    // There is no module handle; the address of the program's own image stands
    // in for it (never null).
    static char image;
    return &image;
}

XString ModuleFileName()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;)
    {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return XString();
        if (static_cast<std::size_t>(length) < buffer.size())
            return DecodeFileName(
                std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

XString ModuleFileNameOf(XStringView programPath)
{
    // The kernel names a running program by its real path (/proc/self/exe).
    // Names keep their bytes: a folder whose name is not UTF-8 is that
    // folder, never its look-alike spelt with U+FFFD.
    std::string path;
    if (!EncodeFileName(programPath, path))
        return FullPath(programPath);
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return FullPath(programPath);
    const XString resolved = DecodeFileName(real);
    std::free(real);
    return resolved;
}

XString CommandLine()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!raw.empty() && raw.back() == '\0')
        raw.pop_back();
    for (char& c : raw)
        if (c == '\0')
            c = ' ';
    return FromUtf8(raw);
}

void RestrictLibrarySearch()
{
    // Shared libraries come from the loader's own paths; nothing to restrict.
}

} // namespace platform
