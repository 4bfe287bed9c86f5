// Win32: the installer started by its full path, and the wait for it.
#include "platform/process_start.h"

#include "handles.h"

#include <windows.h>

#include <string>

namespace platform
{
namespace
{

using win32::FinalPath;
using win32::Handle;
using win32::SamePath;
using win32::SystemEnvironment;

} // namespace

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

    // Held open, with no one allowed to write, rename or delete it, until
    // the process has started: what runs is the file checked here. A link
    // or a re-pointed folder on the way shows in its final path.
    Handle image(CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (image.Get() == INVALID_HANDLE_VALUE)
        return static_cast<Status>(GetLastError());
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(image.Get(), &info))
        return static_cast<Status>(GetLastError());
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        GetFileType(image.Get()) != FILE_TYPE_DISK)
        return ERROR_ACCESS_DENIED;
    wchar_t full[MAX_PATH * 4] = {};
    const DWORD fullLength = GetFullPathNameW(program.c_str(), MAX_PATH * 4, full, nullptr);
    if (fullLength == 0 || fullLength >= MAX_PATH * 4 || !SamePath(FinalPath(image.Get()), full))
        return ERROR_ACCESS_DENIED;

    const SystemEnvironment environment;
    if (environment.Block() == nullptr)
        return static_cast<Status>(environment.Error());

    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.Block(),
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
