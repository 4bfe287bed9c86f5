// The platform's profile functions called with wide texts, a null pointer
// standing for an argument left out.
#pragma once

#include "FakeOs.h"
#include "platform/profile.h"

#include <optional>
#include <string>

namespace profile_calls
{

using platform::XString;

inline std::optional<XString> Optional(const wchar_t* text)
{
    return text != nullptr ? std::optional<XString>(testing_support::X(text)) : std::nullopt;
}

inline const XString* Pointer(const std::optional<XString>& text)
{
    return text ? &*text : nullptr;
}

inline std::wstring Get(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                        const wchar_t* defaultText = nullptr, std::size_t bufferSize = 1024)
{
    const auto s = Optional(section);
    const auto k = Optional(key);
    const auto d = Optional(defaultText);
    return testing_support::W(platform::GetPrivateProfileText(
        Pointer(s), Pointer(k), Pointer(d), bufferSize, testing_support::X(file)));
}

inline bool Put(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                const wchar_t* value)
{
    const auto s = Optional(section);
    const auto k = Optional(key);
    const auto v = Optional(value);
    return platform::WritePrivateProfileText(Pointer(s), Pointer(k), Pointer(v),
                                             testing_support::X(file));
}

} // namespace profile_calls
