// Win32: console output, clearing and the console window's system menu.
#include "platform/console.h"

#include <windows.h>

#include <cstdio>

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
    // What "CLS" shows, done by the console itself: the command interpreter
    // that would do it is whatever ComSpec names, and that is the user's.
    std::fflush(stdout);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (output == INVALID_HANDLE_VALUE || output == nullptr ||
        !GetConsoleScreenBufferInfo(output, &screen))
        return; // no console: output goes to a file or a pipe
    const DWORD cells = static_cast<DWORD>(screen.dwSize.X) * static_cast<DWORD>(screen.dwSize.Y);
    const COORD home = {0, 0};
    DWORD written = 0;
    FillConsoleOutputCharacterW(output, L' ', cells, home, &written);
    FillConsoleOutputAttribute(output, screen.wAttributes, cells, home, &written);
    SetConsoleCursorPosition(output, home);
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
