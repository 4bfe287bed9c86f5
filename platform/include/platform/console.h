// The console: output lines, clearing, and the console window's system menu.
#pragma once

#include "platform/text.h"

namespace platform
{

// Writes text to standard output the way the C run-time's wprintf does on
// this platform (on Windows, text mode: every line feed leaves as CR LF).
void WriteConsoleText(XStringView text);
// Clears the console window ("CLS"); where there is none, nothing happens.
void ClearConsole();
// Removes one command (SC_CLOSE and the like) from the console window's
// system menu; quietly does nothing when there is no console window.
void RemoveConsoleMenuCommand(unsigned command);

} // namespace platform
