// The version resource of a PE image, found by a walk over the image's bytes
// in which every read is bounds-checked. Both implementations use it: the
// POSIX one for the version itself, the Win32 one to refuse damaged images
// before the system's version functions see them.
#pragma once

#include <cstdint>
#include <functional>

namespace platform
{
namespace pe
{

// Reads exactly count bytes at offset into buffer; false when any of them
// lies outside the image or cannot be read.
using ReadAt =
    std::function<bool(std::uint64_t offset, unsigned char* buffer, std::uint64_t count)>;

// dwFileVersionMS / dwFileVersionLS of the fixed file information of the
// version resource (type RT_VERSION, name VS_VERSION_INFO; of several
// languages the one Windows takes for a US English user). False, with
// nothing written, when the image is not a PE image, has no version
// resource, or any structure on the way is out of range or wrong, or when
// the section holding the resources is not whole in the file. As for the
// version functions, the other sections may be cut short.
bool FindFileVersion(const ReadAt& read, std::uint32_t& versionMS, std::uint32_t& versionLS);

} // namespace pe
} // namespace platform
