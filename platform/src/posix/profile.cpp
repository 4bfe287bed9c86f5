// POSIX: private profile files.
// (Placeholder until the INI implementation lands: reads give the default,
// writes fail.)
#include "platform/profile.h"

namespace platform
{

XString GetPrivateProfileText(const XString*, const XString*, const XString* defaultText,
                              std::size_t bufferSize, const XString&)
{
    XString text = defaultText != nullptr ? *defaultText : XString();
    if (bufferSize > 0 && text.size() > bufferSize - 1)
        text.resize(bufferSize - 1);
    return text;
}

bool WritePrivateProfileText(const XString*, const XString*, const XString*, const XString&)
{
    return false;
}

} // namespace platform
