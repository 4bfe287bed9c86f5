// Win32: the arguments from the wide command line, binary standard output
// and wide file-system paths.
#include "platform/program.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

namespace platform
{

ProgramArguments::ProgramArguments(int& argc, char**& argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return; // argc and argv stay as the run-time made them
    for (int i = 0; i < count; ++i)
        m_arguments.push_back(ToUtf8(FromWide(wide[i])));
    LocalFree(wide);
    for (std::string& argument : m_arguments)
        m_pointers.push_back(argument.data());
    m_pointers.push_back(nullptr);
    argc = count;
    argv = m_pointers.data();
}

void SetBinaryOutput()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::filesystem::path FileSystemPath(XStringView path)
{
    return std::filesystem::path(std::wstring(path));
}

} // namespace platform
