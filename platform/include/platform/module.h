// The running program's own image and command line.
#pragma once

#include "platform/text.h"

namespace platform
{

// Handle of the program's own module; null when the system gives none.
void* ModuleHandle();
// Full path of the program's executable, whatever its length, with every
// link, junction and short name on the way resolved once, when asked: the
// folder the image really lies in, not a name that could be re-pointed while
// the program runs. Empty when the system gives none.
XString ModuleFileName();
// The full path ModuleFileName gives a program started from this path:
// absolute, with links resolved; made absolute only when there is no such
// file.
XString ModuleFileNameOf(XStringView programPath);
// The process command line as the system keeps it.
XString CommandLine();
// Takes the program's own folder and the current folder out of the library
// search, so that only the system folder supplies libraries loaded from now
// on. An elevated program started from a download folder must not load a DLL
// planted beside it. Nothing to do where there are no such libraries.
void RestrictLibrarySearch();

} // namespace platform
