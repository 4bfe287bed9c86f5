// Win32: the program's own module and command line.
#include "platform/module.h"

#include "platform/file.h"

#include "handles.h"

#include <windows.h>

namespace platform
{

void* ModuleHandle()
{
    return GetModuleHandleW(nullptr);
}

namespace
{

// The path a file opened by this name really has: every link, junction and
// short name on the way resolved, in the ordinary form ("\\?\C:\x" becomes
// "C:\x", "\\?\UNC\s\x" becomes "\\s\x"). Empty when it cannot be opened.
std::wstring FinalPathOf(const std::wstring& path)
{
    const win32::Handle file(CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid() ? win32::FinalPath(file.Get()) : std::wstring();
}

std::wstring LoaderFileName()
{
    // Grow the buffer until the whole path fits: a folder deeper than
    // MAX_PATH must not be cut, or files beside the program are missed.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0)
            return XString();
        if (length < size)
        {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

XString ModuleFileName()
{
    // The loader names the program by the path it was started from, links
    // and junctions included, and every later use of that name would look
    // them up again: one re-pointed while we run would hand us another
    // folder's files. So the path is resolved once, here, and every file
    // beside the program is named from the folder it really lies in.
    const std::wstring started = LoaderFileName();
    return started.empty() ? XString() : FinalPathOf(started);
}

XString ModuleFileNameOf(XStringView programPath)
{
    const std::wstring full = FullPath(programPath);
    const std::wstring final = FinalPathOf(full);
    return final.empty() ? full : final;
}

XString CommandLine()
{
    return GetCommandLineW();
}

void RestrictLibrarySearch()
{
    // SetDefaultDllDirectories is looked up: older systems without it still
    // lose the current folder through SetDllDirectoryW.
    SetDllDirectoryW(L"");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return;
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace platform
