// Linux: console output as UTF-8 on standard output.
#include "platform/console.h"

#include <cstdio>
#include <unistd.h>

namespace platform
{

void WriteConsoleText(XStringView text)
{
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void ClearConsole()
{
    // Only a terminal has a screen to clear; piped output stays as it is.
    std::fflush(stdout);
    if (isatty(STDOUT_FILENO))
    {
        std::fputs("\x1b[H\x1b[2J\x1b[3J", stdout);
        std::fflush(stdout);
    }
}

void RemoveConsoleMenuCommand(unsigned)
{
    // A terminal has no system menu.
}

} // namespace platform
