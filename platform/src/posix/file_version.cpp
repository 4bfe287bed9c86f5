// POSIX: the version resource read from the PE image.
// (Placeholder until the PE reader lands: no version found.)
#include "platform/file_version.h"

namespace platform
{

bool ReadFileVersion(XStringView, std::uint32_t&, std::uint32_t&) { return false; }

} // namespace platform
