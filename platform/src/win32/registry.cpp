// Win32: HKEY_LOCAL_MACHINE through the registry functions.
#include "platform/registry.h"

#include "../expand_variables.h"
#include "handles.h"

#include <windows.h>

namespace platform
{

Status RegistryOpenKey(XStringView subKey, RegistryKey& key)
{
    const std::wstring path(subKey);
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &handle);
    key = reinterpret_cast<RegistryKey>(handle);
    return status;
}

Status RegistryQueryString(RegistryKey key, XStringView valueName, XString& text)
{
    const std::wstring name(valueName);
    WCHAR buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    const LONG status = RegQueryValueExW(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS)
        return status;
    // The data up to its first zero unit, or all of it when it has none.
    std::size_t units = size / sizeof(WCHAR);
    std::size_t length = 0;
    while (length < units && buffer[length] != L'\0')
        ++length;
    text.assign(buffer, length);
    // A REG_EXPAND_SZ value is expanded with the system's variables, never
    // with those of this process, which its caller chose.
    if (type == REG_EXPAND_SZ)
    {
        const win32::SystemEnvironment environment;
        text = ExpandVariables(text,
                               [&environment](XStringView variable, XString& value)
                               {
                                   std::wstring found;
                                   if (!environment.Find(std::wstring(variable), found))
                                       return false;
                                   value = found;
                                   return true;
                               });
    }
    return status;
}

void RegistryCloseKey(RegistryKey key)
{
    RegCloseKey(reinterpret_cast<HKEY>(key));
}

} // namespace platform
