// Win32: console output, clearing and the console window's system menu.
#include "platform/console.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace platform
{

void WriteConsoleText(XStringView text)
{
    const std::wstring line(text);
    std::fputws(line.c_str(), stdout);
    std::fflush(stdout);
}

void ClearConsole()
{
    std::fflush(stdout);
    std::system("CLS");
}

void RemoveConsoleMenuCommand(unsigned command)
{
    // Window and menu are fetched anew for every command; failures are of no
    // consequence (no console window, no menu).
    HWND window = GetConsoleWindow();
    HMENU menu = GetSystemMenu(window, FALSE);
    DeleteMenu(menu, command, MF_BYCOMMAND);
}

} // namespace platform
