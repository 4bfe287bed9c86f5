// POSIX: arguments are bytes already, output has no text mode, and paths
// are UTF-8 bytes.
#include "platform/program.h"

namespace platform
{

ProgramArguments::ProgramArguments(int&, char**&) {}

void SetBinaryOutput() {}

std::filesystem::path FileSystemPath(XStringView path)
{
    const std::string bytes = ToUtf8(path);
    return std::filesystem::path(bytes);
}

} // namespace platform
