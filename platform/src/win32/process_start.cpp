// Win32: the shell's "open" request and the wait for the started process.
#include "platform/process_start.h"

#include <windows.h>
#include <shellapi.h>

namespace platform
{

Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process)
{
    const std::wstring program(file);
    const std::wstring folder(directory);
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.hwnd = nullptr;
    request.lpVerb = L"open";
    request.lpFile = program.c_str();
    request.lpParameters = nullptr;
    request.lpDirectory = folder.c_str();
    request.nShow = SW_HIDE;
    request.hInstApp = nullptr;
    if (!ShellExecuteExW(&request))
    {
        process = 0;
        return static_cast<Status>(GetLastError());
    }
    process = reinterpret_cast<ProcessHandle>(request.hProcess);
    return ERROR_SUCCESS;
}

void WaitForProgram(ProcessHandle process)
{
    // The handle stays open; it is released when the program ends.
    if (process != 0)
        WaitForSingleObject(reinterpret_cast<HANDLE>(process), INFINITE);
}

} // namespace platform
