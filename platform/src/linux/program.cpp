// Linux: arguments are bytes already, output has no text mode, and paths
// are UTF-8 bytes.
#include "platform/program.h"

namespace platform
{

ProgramArguments::ProgramArguments(int&, char**&) {}

void SetBinaryOutput() {}

std::filesystem::path FileSystemPath(XStringView path)
{
    // A name that no file can have (a NUL inside) gives the empty path,
    // which every file operation refuses.
    std::string bytes;
    EncodeFileName(path, bytes);
    return std::filesystem::path(bytes);
}

} // namespace platform
