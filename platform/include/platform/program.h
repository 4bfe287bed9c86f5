// What a program's entry point needs of the platform before its own work, in
// the manner of LLVM's InitLLVM: its arguments in UTF-8, standard output
// that takes bytes as they are, and file-system paths from our text.
#pragma once

#include "platform/export.h"
#include "platform/text.h"

#include <filesystem>
#include <string>
#include <vector>

namespace platform
{

// Built first thing in main: from then on argc and argv hold the program's
// arguments in UTF-8, kept alive by this object. On Windows they come from
// the wide command line, so that names outside the ANSI code page arrive
// intact; elsewhere the bytes given are kept.
class PLATFORM_API ProgramArguments
{
public:
    ProgramArguments(int& argc, char**& argv);
    ProgramArguments(const ProgramArguments&) = delete;
    ProgramArguments& operator=(const ProgramArguments&) = delete;

private:
    std::vector<std::string> m_arguments;
    std::vector<char*> m_pointers;
};

// Standard output writes the bytes it is given (no CR added before LF on
// Windows), so output is the same on every platform.
PLATFORM_API void SetBinaryOutput();

// Text as a path of the file system. POSIX paths are bytes: UTF-8, with the
// escapes of DecodeFileName turned back into the bytes they stand for.
PLATFORM_API std::filesystem::path FileSystemPath(XStringView path);

} // namespace platform
