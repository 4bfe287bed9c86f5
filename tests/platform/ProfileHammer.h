// One writer of an INI file that other threads or processes write at the
// same time: the stress tests run two of these, then check that no key is
// lost.
#pragma once

#include "platform/profile.h"

#include <cstddef>
#include <string>

namespace profile_stress
{

// The value the writer of that prefix gives its key number i.
inline platform::XString ExpectedValue(const std::string& prefix, std::size_t i)
{
    platform::XString value = platform::Ascii(("v" + std::to_string(i)).c_str());
    if (prefix == "u")
        value.push_back(platform::XCHAR(0x4E2D));
    return value;
}

// Writes the keys PREFIX0 ... PREFIX<count - 1> in the section "Shared"
// (values beyond the ANSI code page when the prefix is "u", so that the first
// such write converts an ANSI file), and now and then a section of its own
// that it removes again. False as soon as a write fails.
inline bool Hammer(const platform::XString& file, const std::string& prefix, std::size_t count)
{
    const platform::XString shared = platform::Ascii("Shared");
    const platform::XString own = platform::Ascii(("Own " + prefix).c_str());
    const platform::XString scratch = platform::Ascii("k");
    for (std::size_t i = 0; i < count; ++i)
    {
        const platform::XString key = platform::Ascii((prefix + std::to_string(i)).c_str());
        const platform::XString value = ExpectedValue(prefix, i);
        if (!platform::WritePrivateProfileText(&shared, &key, &value, file))
            return false;
        if (i % 10 == 5 && (!platform::WritePrivateProfileText(&own, &scratch, &value, file) ||
                            !platform::WritePrivateProfileText(&own, nullptr, nullptr, file)))
            return false;
    }
    return true;
}

} // namespace profile_stress
