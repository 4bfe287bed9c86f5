// The running program's own image and command line.
#pragma once

#include "platform/text.h"

namespace platform
{

// Handle of the program's own module; null when the system gives none.
void* ModuleHandle();
// Full path of the program's executable, whatever its length.
XString ModuleFileName();
// The process command line as the system keeps it.
XString CommandLine();

} // namespace platform
