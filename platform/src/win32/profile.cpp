// Win32: private profile files through the system's profile functions.
#include "platform/profile.h"

#include <windows.h>

#include <vector>

namespace platform
{
namespace
{

const wchar_t* Pointer(const XString* text) { return text != nullptr ? text->c_str() : nullptr; }

} // namespace

XString GetPrivateProfileText(const XString* section, const XString* key,
                              const XString* defaultText, std::size_t bufferSize,
                              const XString& fileName)
{
    std::vector<wchar_t> buffer(bufferSize + 1, L'\0');
    GetPrivateProfileStringW(Pointer(section), Pointer(key), Pointer(defaultText), buffer.data(),
                             static_cast<DWORD>(bufferSize), fileName.c_str());
    return XString(buffer.data());
}

bool WritePrivateProfileText(const XString* section, const XString* key, const XString* value,
                             const XString& fileName)
{
    return WritePrivateProfileStringW(Pointer(section), Pointer(key), Pointer(value),
                                      fileName.c_str()) != FALSE;
}

} // namespace platform
