// Starting a program and waiting for it.
#pragma once

#include "platform/status.h"
#include "platform/text.h"

#include <cstdint>

namespace platform
{

using ProcessHandle = std::intptr_t;

// Starts the program file (a full path, taken literally: no search, no
// environment variables, no file association) with no arguments, hidden,
// with the given working folder. 0 and the process on success; otherwise a
// Win32 status (2 file not found, 3 path not found, 5 access denied, 8 not
// enough memory, 32 sharing violation, 123 a name no file can have, 193 not
// an executable, ...).
Status StartProgram(XStringView file, XStringView directory, ProcessHandle& process);
// Waits without limit for the process to end. A zero handle returns at once.
void WaitForProgram(ProcessHandle process);

} // namespace platform
