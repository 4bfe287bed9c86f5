// Win32: the installer started by its full path, and the wait for it.
#include "platform/process_start.h"

#include <windows.h>

#include <string>

namespace platform
{
namespace
{

class Handle
{
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr)
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// The system's environment, as a new logon would get it: nothing of our
// caller's (PATH above all, which decides where the installer finds
// programs and DLLs).
// userenv.dll is no known DLL: imported, it would be looked for beside the
// program before anything else runs. So it is loaded from the system folder
// only, when needed.
class SystemEnvironment
{
public:
    SystemEnvironment()
    {
        m_library = LoadLibraryExW(L"userenv.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        using CreateFn = BOOL(WINAPI*)(void**, HANDLE, BOOL);
        const auto create = m_library == nullptr
                                ? nullptr
                                : reinterpret_cast<CreateFn>(reinterpret_cast<void*>(
                                      GetProcAddress(m_library, "CreateEnvironmentBlock")));
        m_destroy = m_library == nullptr
                        ? nullptr
                        : reinterpret_cast<DestroyFn>(reinterpret_cast<void*>(
                              GetProcAddress(m_library, "DestroyEnvironmentBlock")));
        if (create == nullptr || m_destroy == nullptr || !create(&m_block, nullptr, FALSE))
        {
            m_error = GetLastError();
            m_block = nullptr;
            if (m_error == ERROR_SUCCESS)
                m_error = ERROR_DLL_NOT_FOUND;
        }
    }
    ~SystemEnvironment()
    {
        if (m_block != nullptr)
            m_destroy(m_block);
        if (m_library != nullptr)
            FreeLibrary(m_library);
    }
    SystemEnvironment(const SystemEnvironment&) = delete;
    SystemEnvironment& operator=(const SystemEnvironment&) = delete;
    void* Block() const { return m_block; }
    DWORD Error() const { return m_error; }

private:
    using DestroyFn = BOOL(WINAPI*)(void*);
    HMODULE m_library = nullptr;
    DestroyFn m_destroy = nullptr;
    void* m_block = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};

// The path a handle's file has, in the ordinary form ("C:\..." or
// "\\server\share\..."); empty when the system gives none.
std::wstring FinalPath(HANDLE file)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length =
            GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
        {
            buffer.resize(length);
            break;
        }
        buffer.resize(length + 1);
    }
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\\\" + buffer.substr(8);
    if (buffer.compare(0, 4, L"\\\\?\\") == 0)
        return buffer.substr(4);
    return buffer;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

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
