// The code page the registry file names, for the text conversions.
#pragma once

namespace platform
{

// 65001 where SYSTEM\CurrentControlSet\Control\Nls\CodePage "ACP" is "65001"
// (Windows set to UTF-8), else 1252. Where Windows keeps it: the
// administrator's, unlike the environment or the user's locale.
unsigned CodePageFromRegistry();

} // namespace platform
