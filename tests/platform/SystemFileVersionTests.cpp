// The image walk that reads file versions on POSIX (and screens images on
// Windows) against the system's own version functions, on the PE files of
// the system folder: whole, and cut short inside their sections.
#include "pe_version.h"

#include "FakeOs.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

struct Version
{
    bool found = false;
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;

    bool operator==(const Version& other) const
    {
        return found == other.found && (!found || (ms == other.ms && ls == other.ls));
    }
};

std::ostream& operator<<(std::ostream& out, const Version& version)
{
    if (!version.found)
        return out << "none";
    return out << (version.ms >> 16) << '.' << (version.ms & 0xFFFF) << '.' << (version.ls >> 16)
               << '.' << (version.ls & 0xFFFF);
}

// The version functions themselves, without the screening of our reader.
Version SystemVersion(const std::wstring& file)
{
    Version version;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0)
        return version;
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoW(file.c_str(), 0, size, block.data()) &&
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length) &&
        info != nullptr && length >= sizeof(VS_FIXEDFILEINFO))
    {
        version = {true, info->dwFileVersionMS, info->dwFileVersionLS};
    }
    return version;
}

// The walk over the first count bytes; needed is set to the end of the
// furthest byte it read.
Version WalkVersion(const std::string& bytes, std::size_t count, std::size_t* needed = nullptr)
{
    Version version;
    version.found = platform::pe::FindFileVersion(
        [&bytes, count, needed](std::uint64_t offset, unsigned char* buffer, std::uint64_t wanted)
        {
            if (offset > count || wanted > count - offset)
                return false;
            std::copy_n(bytes.data() + offset, wanted, buffer);
            if (needed != nullptr)
                *needed = std::max(*needed, static_cast<std::size_t>(offset + wanted));
            return true;
        },
        version.ms, version.ls);
    return version;
}

// The end of the last section's file data; 0 when the headers do not say.
std::size_t SectionDataEnd(const std::string& bytes)
{
    const auto get = [&bytes](std::size_t at, std::size_t width)
    {
        std::size_t value = 0;
        for (std::size_t i = width; i-- > 0;)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    if (bytes.size() < 64)
        return 0;
    const std::size_t pe = get(0x3C, 4);
    if (pe + 24 > bytes.size())
        return 0;
    const std::size_t table = pe + 24 + get(pe + 20, 2);
    std::size_t end = 0;
    for (std::size_t i = 0; i < get(pe + 6, 2) && table + 40 * (i + 1) <= bytes.size(); ++i)
    {
        const std::size_t header = table + 40 * i;
        if (get(header + 16, 4) != 0)
            end = std::max(end, get(header + 20, 4) + get(header + 16, 4));
    }
    return end <= bytes.size() ? end : 0;
}

TEST(SystemFileVersionTest, WalkAgreesWithTheVersionFunctionsOnSystemFiles)
{
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(system))
    {
        const std::wstring extension = entry.path().extension().wstring();
        if (entry.is_regular_file() && (extension == L".dll" || extension == L".exe"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 20u);
    // Every third file keeps the run short; the names vary the formats enough.
    testing_support::TempDir dir;
    std::size_t compared = 0;
    std::size_t withVersion = 0;
    std::size_t cutWithVersion = 0;
    for (std::size_t i = 0; i < files.size(); i += 3)
    {
        std::ifstream in(files[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const std::size_t end = SectionDataEnd(bytes);
        if (end < 1024)
            continue;
        SCOPED_TRACE(files[i].filename().string());
        // Each copy a file of its own: the system may keep what it mapped.
        const auto whole = dir.Path() / (std::to_wstring(i) + L".dll");
        std::ofstream(whole, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const Version expected = SystemVersion(whole.wstring());
        std::size_t needed = 0;
        EXPECT_EQ(WalkVersion(bytes, bytes.size(), &needed), expected);
        ++compared;
        withVersion += expected.found ? 1 : 0;
        // Cut copies, as a copy that stopped half-way leaves them: inside the
        // last section, half-way, and at the end of what the walk reads (the
        // version block, mostly) and one byte short of it. The system reads a
        // version from a copy whose other sections are cut short, not from
        // one cut inside the section holding the resources.
        for (const std::size_t cut : {end - 4, end / 2, needed, needed - 1})
        {
            if (cut == 0 || cut >= bytes.size())
                continue;
            SCOPED_TRACE("cut at " + std::to_string(cut));
            const auto copy =
                dir.Path() / (std::to_wstring(i) + L"-" + std::to_wstring(cut) + L".dll");
            std::ofstream(copy, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(cut));
            const Version theirs = SystemVersion(copy.wstring());
            EXPECT_EQ(WalkVersion(bytes, cut), theirs);
            cutWithVersion += theirs.found ? 1 : 0;
        }
    }
    EXPECT_GE(compared, 20u);
    EXPECT_GE(withVersion, 10u) << "too few files with a version resource to compare";
    EXPECT_GE(cutWithVersion, 10u) << "too few cut copies that keep their version";
}

} // namespace
