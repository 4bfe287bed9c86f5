// Win32: the installer started by its full path, and the wait for it.
#include "platform/process_start.h"

#include <windows.h>

namespace platform
{

Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    process = 0;
    // The very file named, and nothing else: the application name is taken
    // literally (no search, no environment variables, no file association
    // from the user's profile), and the command line is that path quoted.
    const std::wstring program(file);
    const std::wstring folder(directory);
    if (program.empty() || program.find(L'"') != std::wstring::npos ||
        program.find(L'\0') != std::wstring::npos)
        return ERROR_INVALID_NAME;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        return static_cast<Status>(GetLastError());
    CloseHandle(started.hThread);
    process = reinterpret_cast<ProcessHandle>(started.hProcess);
    return ERROR_SUCCESS;
}

void WaitForProgram(ProcessHandle process)
{
    // The handle stays open; it is released when the program ends.
    if (process != 0)
        WaitForSingleObject(reinterpret_cast<HANDLE>(process), INFINITE);
}

} // namespace platform
