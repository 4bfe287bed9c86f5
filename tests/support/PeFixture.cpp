#include "PeFixture.h"

#include <fstream>
#include <stdexcept>

namespace testing_support
{
namespace
{

constexpr std::size_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::size_t kPeHeader = 0x80;
constexpr std::size_t kTextRaw = 0x200;
constexpr std::uint32_t kTextRva = 0x1000;
constexpr std::size_t kResourceRaw = 0x400;
constexpr std::uint32_t kResourceRva = 0x2000;
constexpr std::size_t kImageFileSize = 0x600;
constexpr std::uint32_t kSizeOfImage = 0x3000;

constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kLanguageEnUs = 0x0409;
constexpr std::size_t kVersionInfoSize = 92; // header, key, padding, fixed info
const char16_t kVersionInfoKey[] = u"VS_VERSION_INFO";

std::uint32_t Words(std::uint16_t high, std::uint16_t low)
{
    return static_cast<std::uint32_t>(high) << 16 | low;
}

void PutName(PeImage& image, std::size_t offset, const char* name)
{
    for (std::size_t i = 0; i < 8 && name[i] != '\0'; ++i)
        image.bytes[offset + i] = static_cast<unsigned char>(name[i]);
}

// One resource directory with a single numeric entry.
void PutDirectory(PeImage& image, std::size_t at, std::uint32_t name, std::uint32_t target)
{
    image.Put16(at + 14, 1); // NumberOfIdEntries
    image.Put32(at + 16, name);
    image.Put32(at + 20, target);
}

// A VS_VERSIONINFO block with no children: header, key, fixed information.
void PutVersionBlock(PeImage& image, std::size_t at, const PeOptions& options,
                     const std::array<std::uint16_t, 4>& file)
{
    image.Put16(at, kVersionInfoSize); // wLength
    image.Put16(at + 2, 52);           // wValueLength
    image.Put16(at + 4, 0);            // wType: binary
    for (std::size_t i = 0; i < sizeof kVersionInfoKey / sizeof kVersionInfoKey[0]; ++i)
        image.Put16(at + 6 + 2 * i, kVersionInfoKey[i]);
    const std::size_t fixed = at + 40;
    const auto& product = options.productVersion;
    image.Put32(fixed, options.fixedInfoSignature);
    image.Put32(fixed + 4, 0x00010000); // dwStrucVersion
    image.Put32(fixed + 8, Words(file[0], file[1]));
    image.Put32(fixed + 12, Words(file[2], file[3]));
    image.Put32(fixed + 16, Words(product[0], product[1]));
    image.Put32(fixed + 20, Words(product[2], product[3]));
    image.Put32(fixed + 24, 0x3F);       // dwFileFlagsMask
    image.Put32(fixed + 32, 0x00040004); // VOS_NT_WINDOWS32
    image.Put32(fixed + 36, 1);          // VFT_APP
}

} // namespace

void PeImage::Put16(std::size_t offset, std::uint32_t value)
{
    bytes.at(offset) = static_cast<unsigned char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<unsigned char>(value >> 8 & 0xFF);
}

void PeImage::Put32(std::size_t offset, std::uint32_t value)
{
    Put16(offset, value & 0xFFFF);
    Put16(offset + 2, value >> 16);
}

std::uint32_t PeImage::Get32(std::size_t offset) const
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | bytes.at(offset + i);
    return value;
}

void PeImage::Write(const std::filesystem::path& path) const
{
    Write(path, bytes.size());
}

void PeImage::Write(const std::filesystem::path& path, std::size_t count) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(count < bytes.size() ? count : bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write the PE fixture");
}

PeImage BuildPeImage(const PeOptions& options)
{
    PeImage image;
    image.bytes.assign(kImageFileSize, 0);

    // DOS header: only e_magic and e_lfanew matter to a loader.
    image.Put16(0, 0x5A4D);
    image.Put16(0x02, 0x90);
    image.Put16(0x04, 3);
    image.Put16(0x08, 4);
    image.Put16(0x0C, 0xFFFF);
    image.Put16(0x10, 0xB8);
    image.Put16(0x18, 0x40);
    image.Put32(0x3C, kPeHeader);

    image.peHeader = kPeHeader;
    image.Put32(kPeHeader, 0x00004550);
    const std::size_t coff = kPeHeader + 4;
    const std::uint32_t optionalSize = options.pe32Plus ? 240 : 224;
    image.Put16(coff, options.pe32Plus ? 0x8664 : 0x014C); // Machine
    image.Put16(coff + 2, 2);                              // NumberOfSections
    image.Put16(coff + 16, optionalSize);
    // Executable, relocations stripped; 32-bit machine or large addresses.
    image.Put16(coff + 18, options.pe32Plus ? 0x0023 : 0x0103);

    const std::size_t opt = coff + 20;
    image.optionalHeader = opt;
    image.Put16(opt, options.pe32Plus ? 0x20B : 0x10B);
    image.bytes[opt + 2] = 2;             // linker version
    image.Put32(opt + 4, kFileAlignment); // SizeOfCode
    image.Put32(opt + 8, kFileAlignment); // SizeOfInitializedData
    image.Put32(opt + 16, kTextRva);      // AddressOfEntryPoint
    image.Put32(opt + 20, kTextRva);      // BaseOfCode
    if (options.pe32Plus)
    {
        image.Put32(opt + 24, 0x40000000); // ImageBase 0x140000000
        image.Put32(opt + 28, 0x1);
    }
    else
    {
        image.Put32(opt + 24, kResourceRva); // BaseOfData
        image.Put32(opt + 28, 0x00400000);   // ImageBase
    }
    image.Put32(opt + 32, kSectionAlignment);
    image.Put32(opt + 36, kFileAlignment);
    image.Put16(opt + 40, options.pe32Plus ? 6 : 4); // OS version
    image.Put16(opt + 48, options.pe32Plus ? 6 : 4); // subsystem version
    image.Put32(opt + 56, kSizeOfImage);
    image.Put32(opt + 60, kFileAlignment); // SizeOfHeaders
    image.Put16(opt + 68, 3);              // console subsystem
    std::size_t directories = 0;
    if (options.pe32Plus)
    {
        image.Put32(opt + 72, 0x100000); // stack reserve
        image.Put32(opt + 80, 0x1000);   // stack commit
        image.Put32(opt + 88, 0x100000); // heap reserve
        image.Put32(opt + 96, 0x1000);   // heap commit
        image.Put32(opt + 108, 16);
        directories = opt + 112;
    }
    else
    {
        image.Put32(opt + 72, 0x100000);
        image.Put32(opt + 76, 0x1000);
        image.Put32(opt + 80, 0x100000);
        image.Put32(opt + 84, 0x1000);
        image.Put32(opt + 92, 16);
        directories = opt + 96;
    }

    // Resource section contents, offsets relative to its start.
    const std::vector<PeOptions::Language> languages =
        options.languages.empty()
            ? std::vector<PeOptions::Language>{{kLanguageEnUs, options.fileVersion}}
            : options.languages;
    const std::size_t count = languages.size();
    const std::size_t rsrc = kResourceRaw;
    const std::size_t nameDirectory = 0x18;
    const std::size_t languageDirectory = 0x30;
    const std::size_t dataEntry = languageDirectory + 16 + 8 * count;
    const std::size_t versionInfo = dataEntry + 16 * count;
    const std::size_t resourceSize = versionInfo + kVersionInfoSize * count;
    if (resourceSize > kImageFileSize - kResourceRaw)
        throw std::runtime_error("too many languages for the PE fixture");
    image.resourceSection = rsrc;
    image.resourceRva = kResourceRva;
    image.typeEntry = rsrc + 16;
    image.nameEntry = rsrc + nameDirectory + 16;
    image.languageEntry = rsrc + languageDirectory + 16;
    image.dataEntry = rsrc + dataEntry;
    image.versionInfo = rsrc + versionInfo;
    image.fixedInfo = image.versionInfo + 40;
    image.versionInfoEnd = rsrc + resourceSize;

    if (options.resourceSection)
    {
        image.Put32(directories + 2 * 8, kResourceRva);
        image.Put32(directories + 2 * 8 + 4, static_cast<std::uint32_t>(resourceSize));
    }

    image.sectionTable = opt + optionalSize;
    const std::size_t text = image.sectionTable;
    PutName(image, text, ".text");
    image.Put32(text + 8, 0x10);
    image.Put32(text + 12, kTextRva);
    image.Put32(text + 16, kFileAlignment);
    image.Put32(text + 20, kTextRaw);
    image.Put32(text + 36, 0x60000020); // code, execute, read
    image.bytes[kTextRaw] = 0xC3;       // ret

    const std::size_t resources = text + 40;
    PutName(image, resources, ".rsrc");
    image.Put32(resources + 8, static_cast<std::uint32_t>(resourceSize));
    image.Put32(resources + 12, kResourceRva);
    image.Put32(resources + 16, kFileAlignment);
    image.Put32(resources + 20, kResourceRaw);
    image.Put32(resources + 36, 0x40000040); // initialised data, read

    PutDirectory(image, rsrc, options.resourceType,
                 kSubdirectory | static_cast<std::uint32_t>(nameDirectory));
    PutDirectory(image, rsrc + nameDirectory, options.resourceName,
                 kSubdirectory | static_cast<std::uint32_t>(languageDirectory));
    image.Put16(rsrc + languageDirectory + 14, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t entry = rsrc + languageDirectory + 16 + 8 * i;
        const std::size_t data = rsrc + dataEntry + 16 * i;
        const std::size_t block = versionInfo + kVersionInfoSize * i;
        image.Put32(entry, languages[i].id);
        image.Put32(entry + 4, static_cast<std::uint32_t>(dataEntry + 16 * i));
        image.Put32(data, kResourceRva + static_cast<std::uint32_t>(block));
        image.Put32(data + 4, static_cast<std::uint32_t>(kVersionInfoSize));
        image.Put32(data + 8, 1252); // code page
        PutVersionBlock(image, rsrc + block, options, languages[i].fileVersion);
    }
    return image;
}

} // namespace testing_support
