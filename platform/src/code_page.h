// The system's ANSI code page, as the native Os reports it.
#pragma once

namespace platform
{

// Windows: GetACP(). Elsewhere 1252, or 65001 where the registry's
// SYSTEM\CurrentControlSet\Control\Nls\CodePage "ACP" says so; read once.
unsigned SystemAnsiCodePage();

} // namespace platform
