// Win32 helpers shared by the platform's Windows files: a handle closed with
// its owner, the path the system reached through a handle, and the system's
// own environment.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

namespace platform
{
namespace win32
{

// A handle closed with the object (INVALID_HANDLE_VALUE or null: none).
class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() { Reset(INVALID_HANDLE_VALUE); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Release()
    {
        HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Reset(HANDLE handle)
    {
        if (Valid())
            CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

// The path the system reached through an open handle, every link, junction
// and short name resolved, in the ordinary form ("\\?\C:\x" as "C:\x",
// "\\?\UNC\server\share" as "\\server\share"); empty when it gives none.
inline std::wstring FinalPath(HANDLE handle)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
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

// Two paths of one file system, compared as it compares names.
inline bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The system's environment, as a new logon would get it: nothing of our
// caller's (PATH above all, which decides where a started program finds
// programs and DLLs). userenv.dll is no known DLL: imported, it would be
// looked for beside the program before anything else runs, so it is loaded
// from the system folder only, when needed.
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

    // "NAME=value" strings, each ended by a zero, the last by two.
    void* Block() const { return m_block; }
    DWORD Error() const { return m_error; }
    // The value of one variable (names compared ignoring case).
    bool Find(const std::wstring& name, std::wstring& value) const
    {
        if (m_block == nullptr)
            return false;
        for (const wchar_t* entry = static_cast<const wchar_t*>(m_block); *entry != L'\0';
             entry += std::wcslen(entry) + 1)
        {
            // Names such as "=C:" begin with '='; the separator is the next one.
            const wchar_t* equals = std::wcschr(entry + 1, L'=');
            if (equals != nullptr &&
                SamePath(std::wstring(entry, static_cast<std::size_t>(equals - entry)), name))
            {
                value = equals + 1;
                return true;
            }
        }
        return false;
    }

private:
    using DestroyFn = BOOL(WINAPI*)(void*);
    HMODULE m_library = nullptr;
    DestroyFn m_destroy = nullptr;
    void* m_block = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};

} // namespace win32
} // namespace platform
