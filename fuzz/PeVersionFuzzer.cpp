// The version resource of an executable image that anyone may have put in
// the product's folder: the walk from the DOS header to the fixed file
// information, over bytes that may be cut short or lie about every offset.
#include "FuzzSupport.h"

#include "pe_version.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t reads = 0;
    const platform::pe::ReadAt read =
        [data, size, &reads](std::uint64_t offset, unsigned char* buffer, std::uint64_t count)
    {
        ++reads;
        // Every read the walk makes is of one small structure.
        fuzzing::Require(count <= 4096, "reads are of one structure at a time");
        if (offset > size || count > size - offset)
            return false;
        std::memcpy(buffer, data + offset, static_cast<std::size_t>(count));
        return true;
    };
    std::uint32_t versionMS = 0xA5A5A5A5;
    std::uint32_t versionLS = 0x5A5A5A5A;
    const bool found = platform::pe::FindFileVersion(read, versionMS, versionLS);
    if (!found)
        fuzzing::Require(versionMS == 0xA5A5A5A5 && versionLS == 0x5A5A5A5A,
                         "nothing is written when no version is found");
    // At most every section header and its last byte once and every entry of
    // the three directory levels once (16-bit counts), plus the fixed
    // structures.
    fuzzing::Require(reads <= 2 * 0xFFFF + 3 * (2 * 0xFFFF + 1) + 16, "the walk ends");
    return 0;
}
