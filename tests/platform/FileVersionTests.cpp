// The file version of an executable's version resource, read from generated
// images (good and damaged) and from programs built by the resource compiler.
// On Windows the same files go through the system's version functions.
#include "platform/file_version.h"
#include "platform/module.h"

#include "FakeOs.h"
#include "PeFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

using testing_support::BuildPeImage;
using testing_support::PeImage;
using testing_support::PeOptions;
using testing_support::TempDir;

namespace
{

constexpr std::uint32_t kUntouchedMS = 0xDEADBEEF;
constexpr std::uint32_t kUntouchedLS = 0xFEEDFACE;

struct Result
{
    bool found = false;
    std::uint32_t ms = kUntouchedMS;
    std::uint32_t ls = kUntouchedLS;
};

Result Read(const std::filesystem::path& path)
{
    Result result;
    result.found =
        platform::ReadFileVersion(testing_support::X(path.wstring()), result.ms, result.ls);
    return result;
}

// False, and neither output written.
void ExpectNoVersion(const Result& result)
{
    EXPECT_FALSE(result.found);
    EXPECT_EQ(result.ms, kUntouchedMS);
    EXPECT_EQ(result.ls, kUntouchedLS);
}

std::uint32_t Words(unsigned high, unsigned low)
{
    return high << 16 | low;
}

// ---------------------------------------------------------------------------
// Well-formed images

struct GoodCase
{
    const char* name;
    bool pe32Plus;
    std::array<std::uint16_t, 4> fileVersion;
    std::array<std::uint16_t, 4> productVersion;
};

void PrintTo(const GoodCase& c, std::ostream* out)
{
    *out << c.name;
}

class GoodImageTest : public ::testing::TestWithParam<GoodCase>
{
protected:
    TempDir dir;
};

TEST_P(GoodImageTest, GivesTheFileVersionNotTheProductVersion)
{
    PeOptions options;
    options.pe32Plus = GetParam().pe32Plus;
    options.fileVersion = GetParam().fileVersion;
    options.productVersion = GetParam().productVersion;
    const auto path = dir.Path() / L"Qvw.exe";
    BuildPeImage(options).Write(path);

    const Result result = Read(path);
    ASSERT_TRUE(result.found);
    const auto& v = GetParam().fileVersion;
    EXPECT_EQ(result.ms, Words(v[0], v[1]));
    EXPECT_EQ(result.ls, Words(v[2], v[3]));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, GoodImageTest,
    ::testing::Values(
        GoodCase{"pe32", false, {14, 0, 0, 142}, {1, 2, 3, 4}},
        GoodCase{"pe32Plus", true, {14, 0, 0, 142}, {1, 2, 3, 4}},
        GoodCase{"allFieldsAtMaximum32", false, {65535, 65535, 65535, 65535}, {0, 0, 0, 0}},
        GoodCase{"allFieldsAtMaximum64", true, {65535, 65535, 65535, 65535}, {0, 0, 0, 0}},
        GoodCase{"allZero32", false, {0, 0, 0, 0}, {14, 0, 0, 142}},
        GoodCase{"allZero64", true, {0, 0, 0, 0}, {14, 0, 0, 142}},
        GoodCase{"eachFieldDistinct", true, {1, 2, 3, 4}, {4, 3, 2, 1}}),
    [](const auto& param) { return param.param.name; });

// ---------------------------------------------------------------------------
// Files that are no PE image at all

struct NotImageCase
{
    const char* name;
    std::string bytes;
};

void PrintTo(const NotImageCase& c, std::ostream* out)
{
    *out << c.name;
}

class NotImageTest : public ::testing::TestWithParam<NotImageCase>
{
protected:
    TempDir dir;
};

TEST_P(NotImageTest, HasNoVersion)
{
    const auto path = dir.Path() / L"Qvw.exe";
    dir.Write(L"Qvw.exe", GetParam().bytes);
    ExpectNoVersion(Read(path));
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotImageTest,
    ::testing::Values(NotImageCase{"empty", ""},
                      NotImageCase{"text", "PatchInfo=A\r\nPatchFile=B.exe\r\n"},
                      NotImageCase{"mzOnly", "MZ"},
                      NotImageCase{"dosHeaderOnly", "MZ" + std::string(62, '\0')},
                      NotImageCase{"zeros", std::string(4096, '\0')},
                      NotImageCase{"peSignatureWithoutDosHeader", "PE" + std::string(4094, '\0')}),
    [](const auto& param) { return param.param.name; });

TEST(FileVersionTest, MissingFileHasNoVersion)
{
    TempDir dir;
    ExpectNoVersion(Read(dir.Path() / L"Qvw.exe"));
}

TEST(FileVersionTest, FolderHasNoVersion)
{
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / L"Qvw.exe");
    ExpectNoVersion(Read(dir.Path() / L"Qvw.exe"));
}

// ---------------------------------------------------------------------------
// Truncated images

class TruncatedImageTest : public ::testing::TestWithParam<bool>
{
protected:
    TempDir dir;
};

TEST_P(TruncatedImageTest, CutBeforeTheEndOfTheVersionBlockHasNoVersion)
{
    PeOptions options;
    options.pe32Plus = GetParam();
    const PeImage image = BuildPeImage(options);
    // Every cut inside the headers and the resource structures, and a few in
    // the code section that lies between them. Each cut is a file of its own:
    // the system may keep what it mapped of a file it has seen.
    for (std::size_t cut = 0; cut < image.versionInfoEnd; ++cut)
    {
        if (cut >= image.sectionTable + 80 && cut < image.resourceSection && cut % 61 != 0)
            continue;
        const auto path = dir.Path() / ("Qvw" + std::to_string(cut) + ".exe");
        image.Write(path, cut);
        SCOPED_TRACE("cut at " + std::to_string(cut));
        ExpectNoVersion(Read(path));
    }
}

TEST_P(TruncatedImageTest, CutAnywhereInTheResourceSectionHasNoVersion)
{
    // The version block survives these cuts, but the version functions read
    // the section that holds the resources as a whole.
    PeOptions options;
    options.pe32Plus = GetParam();
    const PeImage image = BuildPeImage(options);
    for (const std::size_t cut : {image.versionInfoEnd, image.bytes.size() - 1})
    {
        const auto path = dir.Path() / ("Qvw" + std::to_string(cut) + ".exe");
        image.Write(path, cut);
        SCOPED_TRACE("cut at " + std::to_string(cut));
        ExpectNoVersion(Read(path));
    }
    // Bytes after the last section (a signature, say) are no part of it.
    PeImage longer = image;
    longer.bytes.resize(image.bytes.size() + 100, 0xAB);
    const auto path = dir.Path() / L"Qvw.exe";
    longer.Write(path);
    const Result result = Read(path);
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.ls, Words(0, 142));
}

TEST_P(TruncatedImageTest, OtherSectionsCutShortKeepTheVersion)
{
    // The code section's file data placed past the end of the file, as in a
    // copy cut short after the resources: the version is still read.
    PeOptions options;
    options.pe32Plus = GetParam();
    PeImage image = BuildPeImage(options);
    image.Put32(image.sectionTable + 20, static_cast<std::uint32_t>(image.bytes.size()));
    const auto path = dir.Path() / L"Qvw.exe";
    image.Write(path);
    const Result result = Read(path);
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.ms, Words(14, 0));
    EXPECT_EQ(result.ls, Words(0, 142));
}

INSTANTIATE_TEST_SUITE_P(Formats, TruncatedImageTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "pe32Plus" : "pe32"; });

// ---------------------------------------------------------------------------
// Damaged images: one structure wrong, everything else intact

struct DamageCase
{
    const char* name;
    std::function<void(PeOptions&)> options;
    std::function<void(PeImage&)> damage;
};

void PrintTo(const DamageCase& c, std::ostream* out)
{
    *out << c.name;
}

void NoOptions(PeOptions&) {}
void NoDamage(PeImage&) {}

class DamagedImageTest : public ::testing::TestWithParam<std::tuple<DamageCase, bool>>
{
protected:
    TempDir dir;
};

TEST_P(DamagedImageTest, HasNoVersion)
{
    const DamageCase& damage = std::get<0>(GetParam());
    PeOptions options;
    options.pe32Plus = std::get<1>(GetParam());
    damage.options(options);
    PeImage image = BuildPeImage(options);
    damage.damage(image);
    const auto path = dir.Path() / L"Qvw.exe";
    image.Write(path);
    ExpectNoVersion(Read(path));
}

const std::size_t kSubdirectory = 0x80000000;

// The directory entry's target, relative to the resource section.
std::uint32_t Target(const PeImage& image, std::size_t entry)
{
    return image.Get32(entry + 4);
}

const DamageCase kDamages[] = {
    {"noResourceDirectory", [](PeOptions& o) { o.resourceSection = false; }, NoDamage},
    {"onlyOtherResourceTypes", [](PeOptions& o) { o.resourceType = 10; }, NoDamage},
    {"versionTypeUnderAnotherName", [](PeOptions& o) { o.resourceName = 2; }, NoDamage},
    {"fixedInfoSignatureWrong", [](PeOptions& o) { o.fixedInfoSignature = 0xFEEF04BC; }, NoDamage},
    {"fixedInfoSignatureByteSwapped", [](PeOptions& o) { o.fixedInfoSignature = 0xBD04EFFE; },
     NoDamage},
    {"dosMagicWrong", NoOptions, [](PeImage& i) { i.Put16(0, 0x4D5A); }},
    {"peSignatureWrong", NoOptions, [](PeImage& i) { i.Put32(i.peHeader, 0x00004551); }},
    {"newHeaderPointerPastTheEnd", NoOptions, [](PeImage& i) { i.Put32(0x3C, 0x7FFFFFF0); }},
    {"newHeaderPointerAtTheTopOfTheRange", NoOptions,
     [](PeImage& i) { i.Put32(0x3C, 0xFFFFFFFF); }},
    {"optionalHeaderMagicOfARomImage", NoOptions,
     [](PeImage& i) { i.Put16(i.optionalHeader, 0x107); }},
    {"optionalHeaderTooShortForTheResourceEntry", NoOptions,
     [](PeImage& i) { i.Put16(i.peHeader + 4 + 16, 96); }},
    {"onlyTwoDataDirectories", NoOptions,
     [](PeImage& i)
     {
         const bool plus = i.Get32(i.optionalHeader) % 0x10000 == 0x20B;
         i.Put32(i.optionalHeader + (plus ? 108 : 92), 2);
     }},
    {"noSections", NoOptions, [](PeImage& i) { i.Put16(i.peHeader + 4 + 2, 0); }},
    {"sectionCountPastTheEnd", NoOptions, [](PeImage& i) { i.Put16(i.peHeader + 4 + 2, 0xFFFF); }},
    {"resourceRvaInNoSection", NoOptions,
     [](PeImage& i)
     {
         const bool plus = i.Get32(i.optionalHeader) % 0x10000 == 0x20B;
         i.Put32(i.optionalHeader + (plus ? 112 : 96) + 16, 0x9000);
     }},
    {"resourceDataPastTheEndOfTheFile", NoOptions,
     [](PeImage& i) { i.Put32(i.sectionTable + 40 + 20, 0x10000); }},
    {"resourceSectionWithoutFileData", NoOptions,
     [](PeImage& i) { i.Put32(i.sectionTable + 40 + 16, 0); }},
    {"typeEntryIsNoDirectory", NoOptions,
     [](PeImage& i) { i.Put32(i.typeEntry + 4, Target(i, i.typeEntry) & 0x7FFFFFFF); }},
    {"typeEntryPastTheResources", NoOptions,
     [](PeImage& i) { i.Put32(i.typeEntry + 4, kSubdirectory | 0x7FFFFFF0); }},
    {"entryCountRunsPastTheResources", [](PeOptions& o) { o.resourceType = 10; },
     [](PeImage& i) { i.Put16(i.resourceSection + 14, 0xFFFF); }},
    {"nameEntryIsNoDirectory", NoOptions,
     [](PeImage& i) { i.Put32(i.nameEntry + 4, Target(i, i.nameEntry) & 0x7FFFFFFF); }},
    {"languageDirectoryEmpty", NoOptions, [](PeImage& i) { i.Put16(i.languageEntry - 2, 0); }},
    {"languageEntryIsADirectory", NoOptions,
     [](PeImage& i) { i.Put32(i.languageEntry + 4, Target(i, i.languageEntry) | kSubdirectory); }},
    {"languageEntryLoopsBackToTheRoot", NoOptions,
     [](PeImage& i) { i.Put32(i.languageEntry + 4, kSubdirectory | 0); }},
    {"typeEntryLoopsToItself", NoOptions,
     [](PeImage& i) { i.Put32(i.typeEntry + 4, kSubdirectory | 0); }},
    {"dataRvaInNoSection", NoOptions, [](PeImage& i) { i.Put32(i.dataEntry, 0x00400000); }},
    {"dataSizeBeyondTheSection", NoOptions, [](PeImage& i) { i.Put32(i.dataEntry + 4, 0x10000); }},
    {"dataSizeHuge", NoOptions, [](PeImage& i) { i.Put32(i.dataEntry + 4, 0xFFFFFFFF); }},
    {"dataSizeShorterThanTheFixedInfo", NoOptions,
     [](PeImage& i) { i.Put32(i.dataEntry + 4, 80); }},
    // The system's version functions read the next three and we do not, on
    // purpose: a block with a wrong key or a length that disagrees with the
    // resource's is damaged, whatever its fixed file information says.
    {"versionBlockLengthShorterThanTheFixedInfo", NoOptions,
     [](PeImage& i) { i.Put16(i.versionInfo, 60); }},
    {"versionBlockLengthBeyondTheResource", NoOptions,
     [](PeImage& i) { i.Put16(i.versionInfo, 200); }},
    {"fixedInfoLengthZero", NoOptions, [](PeImage& i) { i.Put16(i.versionInfo + 2, 0); }},
    {"fixedInfoLengthShort", NoOptions, [](PeImage& i) { i.Put16(i.versionInfo + 2, 51); }},
    {"keyMisspelt", NoOptions, [](PeImage& i) { i.Put16(i.versionInfo + 6 + 2 * 14, 'X'); }},
};

INSTANTIATE_TEST_SUITE_P(Damages, DamagedImageTest,
                         ::testing::Combine(::testing::ValuesIn(kDamages),
                                            ::testing::Values(false, true)),
                         [](const auto& param)
                         {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) ? "_pe32Plus" : "_pe32");
                         });

// ---------------------------------------------------------------------------
// Version resources in several languages: the one Windows takes for a US
// English user (neutral, US English, English, else the first)

struct LanguageCase
{
    const char* name;
    std::vector<PeOptions::Language> languages;
    std::uint16_t taken; // the revision of the block that must be read
};

void PrintTo(const LanguageCase& c, std::ostream* out)
{
    *out << c.name;
}

class LanguageTest : public ::testing::TestWithParam<LanguageCase>
{
protected:
    TempDir dir;
};

TEST_P(LanguageTest, TakesTheLanguageWindowsTakes)
{
#ifdef _WIN32
    // The system's own choice follows the user's language.
    if (GetUserDefaultLangID() != 0x0409 || LANGIDFROMLCID(GetThreadLocale()) != 0x0409)
        GTEST_SKIP() << "the user's language is not US English";
#endif
    PeOptions options;
    options.languages = GetParam().languages;
    const auto path = dir.Path() / L"Qvw.exe";
    BuildPeImage(options).Write(path);
    const Result result = Read(path);
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.ls, Words(0, GetParam().taken));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageTest,
    ::testing::Values(
        LanguageCase{
            "neutralBeforeUsEnglish", {{0x0000, {14, 0, 0, 1}}, {0x0409, {14, 0, 0, 2}}}, 1},
        LanguageCase{
            "usEnglishBeforeTheFirst", {{0x0407, {14, 0, 0, 1}}, {0x0409, {14, 0, 0, 2}}}, 2},
        LanguageCase{
            "usEnglishBeforeEnglish", {{0x0009, {14, 0, 0, 1}}, {0x0409, {14, 0, 0, 2}}}, 2},
        LanguageCase{
            "englishBeforeTheFirst", {{0x0007, {14, 0, 0, 1}}, {0x0009, {14, 0, 0, 2}}}, 2},
        LanguageCase{"otherwiseTheFirst",
                     {{0x0407, {14, 0, 0, 1}}, {0x040C, {14, 0, 0, 2}}, {0x0411, {14, 0, 0, 3}}},
                     1}),
    [](const auto& param) { return param.param.name; });

// ---------------------------------------------------------------------------
// Programs built by the toolchain's resource compiler

#ifdef QUENVIA_VERSIONED_PROGRAMS
std::filesystem::path BesideTheTests(const wchar_t* name)
{
    const std::filesystem::path self(testing_support::W(platform::ModuleFileName()));
    return self.parent_path() / name;
}

TEST(CompiledResourceTest, FileVersionOfAProgramWhoseVersionsDiffer)
{
    const Result result = Read(BesideTheTests(L"FileVersion14.exe"));
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.ms, Words(14, 0));
    EXPECT_EQ(result.ls, Words(0, 142));
}

TEST(CompiledResourceTest, FileVersionWithEveryFieldAtItsMaximum)
{
    const Result result = Read(BesideTheTests(L"FileVersionMax.exe"));
    ASSERT_TRUE(result.found);
    EXPECT_EQ(result.ms, 0xFFFFFFFFu);
    EXPECT_EQ(result.ls, 0xFFFFFFFFu);
}
#endif

} // namespace
