// The walk to the fixed file information of a PE image's version resource:
// DOS header, PE headers, section table, the three levels of the resource
// directory, the data entry, then the VS_VERSIONINFO block.
#include "pe_version.h"

#include <vector>

namespace platform
{
namespace pe
{
namespace
{

constexpr std::uint32_t kDosMagic = 0x5A4D;        // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint32_t kPe32Magic = 0x10B;
constexpr std::uint32_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kNewHeaderPointer = 0x3C; // e_lfanew
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint32_t kResourceDirectoryIndex = 2;

constexpr std::uint32_t kRtVersion = 16;
// The name under which the version resource is looked up (VS_VERSION_INFO).
constexpr std::uint32_t kVersionInfoId = 1;
constexpr std::uint32_t kHighBit = 0x80000000;
// LANG_NEUTRAL, en-US, then en with the neutral sublanguage.
constexpr std::uint32_t kLanguageOrder[] = {0x0000, 0x0409, 0x0009};
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint64_t kFixedInfoSize = 52;
// wLength, wValueLength, wType, L"VS_VERSION_INFO" with its zero, padded to
// 32 bits: the fixed file information starts here.
constexpr std::uint64_t kFixedInfoOffset = 40;
const char16_t kVersionInfoKey[] = u"VS_VERSION_INFO";

std::uint32_t Get16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t Get32(const unsigned char* p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

struct Section
{
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawPointer;
};

// The image as far as the resources need it: its sections and where the
// resource directory lies.
struct Image
{
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
};

bool ReadHeaders(const ReadAt& read, Image& image)
{
    unsigned char dos[64];
    if (!read(0, dos, sizeof dos) || Get16(dos) != kDosMagic)
        return false;
    const std::uint64_t peHeader = Get32(dos + kNewHeaderPointer);

    unsigned char coff[4 + kCoffHeaderSize];
    if (!read(peHeader, coff, sizeof coff) || Get32(coff) != kPeSignature)
        return false;
    const std::uint32_t sectionCount = Get16(coff + 4 + 2);
    const std::uint32_t optionalSize = Get16(coff + 4 + 16);
    const std::uint64_t optionalHeader = peHeader + sizeof coff;

    unsigned char magic[2];
    if (!read(optionalHeader, magic, sizeof magic))
        return false;
    std::uint64_t directoryCountAt = 0;
    if (Get16(magic) == kPe32Magic)
        directoryCountAt = 92;
    else if (Get16(magic) == kPe32PlusMagic)
        directoryCountAt = 108;
    else
        return false;
    const std::uint64_t resourceEntryAt = directoryCountAt + 4 + kResourceDirectoryIndex * 8;
    if (resourceEntryAt + 8 > optionalSize)
        return false;
    unsigned char directories[4 + 3 * 8];
    if (!read(optionalHeader + directoryCountAt, directories, sizeof directories) ||
        Get32(directories) <= kResourceDirectoryIndex)
        return false;
    image.resourceRva = Get32(directories + 4 + kResourceDirectoryIndex * 8);
    image.resourceSize = Get32(directories + 4 + kResourceDirectoryIndex * 8 + 4);
    if (image.resourceRva == 0 || image.resourceSize == 0)
        return false;

    const std::uint64_t sectionTable = optionalHeader + optionalSize;
    image.sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i)
    {
        unsigned char header[kSectionHeaderSize];
        if (!read(sectionTable + i * kSectionHeaderSize, header, sizeof header))
            return false;
        // The sections' file data is not checked against the file's size
        // here: the version functions read a version from an image whose
        // other sections are cut short (see ResourceSectionInFile).
        image.sections.push_back(
            Section{Get32(header + 12), Get32(header + 8), Get32(header + 16), Get32(header + 20)});
    }
    return true;
}

// The file offset of count bytes at rva, when all of them lie in the file
// data of one section (bytes a section has only in memory are not in the file).
bool RvaToOffset(const Image& image, std::uint64_t rva, std::uint64_t count, std::uint64_t& offset)
{
    for (const Section& section : image.sections)
    {
        std::uint64_t inFile = section.rawSize;
        if (section.virtualSize != 0 && section.virtualSize < inFile)
            inFile = section.virtualSize;
        if (rva >= section.virtualAddress && rva - section.virtualAddress <= inFile &&
            count <= inFile - (rva - section.virtualAddress))
        {
            offset =
                static_cast<std::uint64_t>(section.rawPointer) + (rva - section.virtualAddress);
            return true;
        }
    }
    return false;
}

// Whether all the file data of the section holding the resource directory
// lies in the file: the version functions read that section as a whole, and
// find no version in an image cut short inside it, even behind the version
// block. The other sections may run past the end of the file.
bool ResourceSectionInFile(const ReadAt& read, const Image& image)
{
    for (const Section& section : image.sections)
    {
        if (image.resourceRva >= section.virtualAddress &&
            image.resourceRva - section.virtualAddress < section.rawSize)
        {
            unsigned char last;
            return read(static_cast<std::uint64_t>(section.rawPointer) + section.rawSize - 1, &last,
                        1);
        }
    }
    return false;
}

// Reads count bytes at an offset inside the resource directory.
bool ReadResource(const ReadAt& read, const Image& image, std::uint64_t at, unsigned char* buffer,
                  std::uint64_t count)
{
    std::uint64_t offset = 0;
    return at <= image.resourceSize && count <= image.resourceSize - at &&
           RvaToOffset(image, image.resourceRva + at, count, offset) && read(offset, buffer, count);
}

// One entry of a resource directory: its name and what it points to.
struct Entry
{
    std::uint32_t name;
    std::uint64_t target;
    bool isDirectory;
};

// The entries of the resource directory at `directory`, named ones first.
bool ReadEntries(const ReadAt& read, const Image& image, std::uint64_t directory,
                 std::vector<Entry>& entries)
{
    unsigned char header[kDirectoryHeaderSize];
    if (!ReadResource(read, image, directory, header, sizeof header))
        return false;
    const std::uint32_t total = Get16(header + 12) + Get16(header + 14);
    for (std::uint32_t i = 0; i < total; ++i)
    {
        unsigned char entry[kDirectoryEntrySize];
        if (!ReadResource(read, image, directory + kDirectoryHeaderSize + i * kDirectoryEntrySize,
                          entry, sizeof entry))
            return false;
        const std::uint32_t offset = Get32(entry + 4);
        entries.push_back(Entry{Get32(entry), offset & ~kHighBit, (offset & kHighBit) != 0});
    }
    return true;
}

// The subdirectory filed under the numeric name id.
bool FollowId(const ReadAt& read, const Image& image, std::uint64_t directory, std::uint32_t id,
              std::uint64_t& target)
{
    std::vector<Entry> entries;
    if (!ReadEntries(read, image, directory, entries))
        return false;
    for (const Entry& entry : entries)
    {
        if (entry.name == id)
        {
            target = entry.target;
            return entry.isDirectory;
        }
    }
    return false;
}

// The data entry of the language the system's resource lookup takes for a
// US English user: neutral, then US English, then English, then the first.
bool FollowLanguage(const ReadAt& read, const Image& image, std::uint64_t directory,
                    std::uint64_t& target)
{
    std::vector<Entry> entries;
    if (!ReadEntries(read, image, directory, entries))
        return false;
    for (const std::uint32_t language : kLanguageOrder)
    {
        for (const Entry& entry : entries)
        {
            if (entry.name == language && !entry.isDirectory)
            {
                target = entry.target;
                return true;
            }
        }
    }
    for (const Entry& entry : entries)
    {
        if (!entry.isDirectory)
        {
            target = entry.target;
            return true;
        }
    }
    return false;
}

bool FindVersionResource(const ReadAt& read, const Image& image, std::uint64_t& offset,
                         std::uint64_t& size)
{
    // Type, then name, then language: exactly three levels, so an entry that
    // points back up the tree ends the walk instead of looping.
    std::uint64_t names = 0;
    std::uint64_t languages = 0;
    std::uint64_t dataEntry = 0;
    if (!ResourceSectionInFile(read, image) || !FollowId(read, image, 0, kRtVersion, names) ||
        !FollowId(read, image, names, kVersionInfoId, languages) ||
        !FollowLanguage(read, image, languages, dataEntry))
        return false;

    unsigned char entry[kDataEntrySize];
    if (!ReadResource(read, image, dataEntry, entry, sizeof entry))
        return false;
    size = Get32(entry + 4);
    // The version functions copy the whole block: all of it must be in the
    // file, not only the fixed file information at its start.
    unsigned char last;
    return size != 0 && RvaToOffset(image, Get32(entry), size, offset) &&
           read(offset + size - 1, &last, 1);
}

// Stricter than the version functions on purpose: they also read a block
// whose key is misspelt or whose wLength is shorter than its fixed file
// information or longer than the resource; such a block is damaged and gives
// no version here.
bool ReadFixedFileVersion(const ReadAt& read, std::uint64_t offset, std::uint64_t size,
                          std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    unsigned char block[kFixedInfoOffset + kFixedInfoSize];
    if (size < sizeof block || !read(offset, block, sizeof block))
        return false;
    const std::uint32_t length = Get16(block);
    const std::uint32_t valueLength = Get16(block + 2);
    if (length < sizeof block || length > size || valueLength < kFixedInfoSize ||
        kFixedInfoOffset + valueLength > length)
        return false;
    for (std::size_t i = 0; i < sizeof kVersionInfoKey / sizeof kVersionInfoKey[0]; ++i)
        if (Get16(block + 6 + 2 * i) != static_cast<std::uint32_t>(kVersionInfoKey[i]))
            return false;
    const unsigned char* fixed = block + kFixedInfoOffset;
    if (Get32(fixed) != kFixedInfoSignature)
        return false;
    versionMS = Get32(fixed + 8);
    versionLS = Get32(fixed + 12);
    return true;
}

} // namespace

bool FindFileVersion(const ReadAt& read, std::uint32_t& versionMS, std::uint32_t& versionLS)
{
    Image image;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    return ReadHeaders(read, image) && FindVersionResource(read, image, offset, size) &&
           ReadFixedFileVersion(read, offset, size, versionMS, versionLS);
}

} // namespace pe
} // namespace platform
