// Minimal Windows executables built in memory for the version-resource
// tests: a valid PE32 or PE32+ image with a .text and a .rsrc section whose
// version resource holds chosen file and product versions. The images are
// valid enough for the system's own version functions, so the same files
// test both the Windows API path and the image reader used elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace testing_support
{

struct PeOptions
{
    bool pe32Plus = false;
    std::array<std::uint16_t, 4> fileVersion{14, 0, 0, 142};
    // Deliberately different from the file version by default.
    std::array<std::uint16_t, 4> productVersion{1, 2, 3, 4};
    // Without it the data directory names no resources at all.
    bool resourceSection = true;
    // The type and name under which the version block is filed (RT_VERSION
    // and VS_VERSION_INFO for a real version resource).
    std::uint32_t resourceType = 16;
    std::uint32_t resourceName = 1;
    std::uint32_t fixedInfoSignature = 0xFEEF04BD;
    // Several languages of the version resource, in directory order (sorted
    // by language, as a resource compiler writes them), each with the file
    // version of its own block. Empty: one block in US English holding
    // fileVersion.
    struct Language
    {
        std::uint32_t id;
        std::array<std::uint16_t, 4> fileVersion;
    };
    std::vector<Language> languages;
};

struct PeImage
{
    std::vector<unsigned char> bytes;

    // File offsets of the structures, for tests that damage one on purpose.
    std::size_t peHeader = 0;       // "PE\0\0"
    std::size_t optionalHeader = 0; // its magic
    std::size_t sectionTable = 0;
    std::size_t resourceSection = 0; // the root resource directory
    std::size_t typeEntry = 0;       // the root's entry (type)
    std::size_t nameEntry = 0;       // the name directory's entry
    std::size_t languageEntry = 0;   // the language directory's entry
    std::size_t dataEntry = 0;       // IMAGE_RESOURCE_DATA_ENTRY (first language)
    std::size_t versionInfo = 0;     // VS_VERSIONINFO (first language)
    std::size_t fixedInfo = 0;       // VS_FIXEDFILEINFO (first language)
    std::size_t versionInfoEnd = 0;  // first byte after the last version block
    std::uint32_t resourceRva = 0;   // RVA of the root resource directory

    void Put16(std::size_t offset, std::uint32_t value);
    void Put32(std::size_t offset, std::uint32_t value);
    std::uint32_t Get32(std::size_t offset) const;

    // Writes the bytes (or only the first `count` of them) to a file.
    void Write(const std::filesystem::path& path) const;
    void Write(const std::filesystem::path& path, std::size_t count) const;
};

PeImage BuildPeImage(const PeOptions& options = PeOptions());

} // namespace testing_support
