// Test-only write access to HKEY_LOCAL_MACHINE (Windows).
#include "TestRegistry.h"

#include <windows.h>

namespace testing_support
{
namespace
{

// Opens or creates a key for writing; null when that fails.
HKEY CreateKey(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return handle;
}

} // namespace

bool RegistrySetText(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                     bool expandable)
{
    const HKEY handle = CreateKey(key);
    if (handle == nullptr)
        return false;
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const LONG status = RegSetValueExW(handle, name.c_str(), 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool RegistryDeleteTree(const std::wstring& key)
{
    const LONG status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegistryKeyExists(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool RunningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace testing_support
