// File version of an executable's version resource.
#pragma once

#include "platform/text.h"

#include <cstdint>

namespace platform
{

// Reads dwFileVersionMS / dwFileVersionLS of the fixed file information in
// the executable's version resource. False (and nothing written) when the
// file is missing, is not a PE image, has no version resource, or is
// malformed.
bool ReadFileVersion(XStringView path, std::uint32_t& versionMS, std::uint32_t& versionLS);

} // namespace platform
