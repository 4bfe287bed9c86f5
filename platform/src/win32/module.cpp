// Win32: the program's own module and command line.
#include "platform/module.h"

#include "platform/file.h"

#include <windows.h>

namespace platform
{

void* ModuleHandle() { return GetModuleHandleW(nullptr); }

XString ModuleFileName()
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

XString ModuleFileNameOf(XStringView programPath)
{
    // The loader names the program by the path it was started from.
    return FullPath(programPath);
}

XString CommandLine() { return GetCommandLineW(); }

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
