// The list of running processes.
#pragma once

#include "platform/text.h"

#include <vector>

namespace platform
{

// Appends the executable file name (no folder) of every running process.
// False when no process list could be obtained.
//
// POSIX: the file name of /proc/PID/exe; for a Windows program running under
// Wine (whose image is the Wine loader) the file name from its command line.
bool ListProcessNames(std::vector<XString>& names);

} // namespace platform
