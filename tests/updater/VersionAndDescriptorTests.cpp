// The patch descriptor beside the program, the product executable's version,
// and the ways versions are compared.
#include "PatchExecute.h"
#include "Paths.h"

#include "FakeOs.h"
#include "PeFixture.h"

#include "platform/file_version.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using testing_support::FakeOs;
using testing_support::TempDir;

namespace
{

const std::wstring kCompleted = L"Read patch update installer file completed.";
const std::wstring kFailed = L"Read patch update installer  file failed.";
const std::wstring kExit1 = L"Patch update read process: key values not found.Exit code 1.";
const std::wstring kExit2 = L"Patch updates read process: key values not found.Exit code 2.";
const std::wstring kExit3 = L"Patch update read process: key values not found.Exit code 3.";
const std::wstring kExit4 = L"Patch update read process: key values not found.Exit code 4.";
const std::wstring kExit5 = L"Patch update read process: key file not found.Exit code 5.";
const std::wstring kExit6 = L"Patch update read process: key file not found.Exit code 6.";
const std::wstring kFound = L"Patch update read process: key values found.";

const wchar_t* const kProductKey = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";

std::wstring Str(const CString& text)
{
    return text.GetString();
}

std::wstring Entries(const std::vector<std::wstring>& entries)
{
    std::wstring message;
    for (const std::wstring& entry : entries)
        message += entry + L"\n\n";
    return message;
}

std::vector<std::wstring> Items(const CStringArray& array)
{
    std::vector<std::wstring> items;
    for (INT_PTR i = 0; i < array.GetSize(); ++i)
        items.push_back(Str(array.GetAt(i)));
    return items;
}

// The description the framework gives a file exception.
std::wstring Description(int cause, LONG osError, const std::wstring& fileName)
{
    const CFileException error(cause, osError, fileName.c_str());
    wchar_t text[512] = {};
    error.GetErrorMessage(text, 512);
    return text;
}

std::wstring InFolder(const TempDir& dir, const std::wstring& name)
{
    return dir.Wide() + kPathSeparator + name;
}

class DescriptorTest : public ::testing::Test
{
protected:
    DescriptorTest() : m_scope(os) { os.moduleFileName = InFolder(dir, L"Brantel.exe"); }

    // What the installation check appends before the descriptor is read: the
    // same run without a descriptor, less its one descriptor entry.
    std::wstring ValidationEntries()
    {
        TempDir elsewhere;
        const std::wstring saved = os.moduleFileName;
        os.moduleFileName = InFolder(elsewhere, L"Brantel.exe");
        const std::wstring log = Str(CPatchExecute().GetLogMessage());
        os.moduleFileName = saved;
        const std::wstring tail = Entries({kExit6});
        EXPECT_GE(log.size(), tail.size());
        EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
        return log.substr(0, log.size() - tail.size());
    }

    FakeOs os;
    TempDir dir;

private:
    platform::ScopedOs m_scope;
};

// ---------------------------------------------------------------------------
// Descriptor files read beside the program

const std::string kInfoLine = "PatchInfo=QVW14-HF142";
const std::string kFileLine = "PatchFile=Patch.exe";
const std::string kVersionLine = "PatchVersion=14.0.0.142";
const std::string kPreviousLine = "PreviousVersions=14.0.0.140, 14.0.0.141";

std::string Lines(const std::vector<std::string>& lines, const std::string& end)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

const std::string kCanonical = Lines({kInfoLine, kFileLine, kVersionLine, kPreviousLine}, "\r\n");

std::string Utf16(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
        bytes += std::string(1, c) + '\0';
    return bytes;
}

struct DescriptorCase
{
    const char* name;
    std::string content;
    std::vector<std::wstring> entries; // after "Read ... completed."
    // The fields afterwards (all empty unless the descriptor was valid).
    std::wstring info;
    std::wstring file;
    std::wstring version;
    std::wstring revision;
    std::vector<std::wstring> previous;
    bool installer = true; // Patch.exe lies beside the program
};

void PrintTo(const DescriptorCase& c, std::ostream* out)
{
    *out << c.name;
}

const std::vector<std::wstring> kBothPrevious = {L"14.0.0.140", L"14.0.0.141"};

DescriptorCase Valid(const char* name, const std::string& content,
                     std::vector<std::wstring> previous = kBothPrevious,
                     std::wstring info = L"QVW14-HF142")
{
    return {name,         content,       {kFound}, info,
            L"Patch.exe", L"14.0.0.142", L"142",   std::move(previous)};
}

DescriptorCase Invalid(const char* name, const std::string& content, const std::wstring& entry,
                       std::vector<std::wstring> previous = {})
{
    return {name, content, {entry}, L"", L"", L"", L"", std::move(previous)};
}

class DescriptorFileTest : public DescriptorTest,
                           public ::testing::WithParamInterface<DescriptorCase>
{
};

TEST_P(DescriptorFileTest, AppendsItsEntriesAndSetsTheFields)
{
    const DescriptorCase& c = GetParam();
    const std::wstring before = ValidationEntries();
    dir.Write(L"brantel.dat", c.content);
    if (c.installer)
        dir.Write(L"Patch.exe", "MZ");

    CPatchExecute patch;

    std::vector<std::wstring> entries = {kCompleted};
    entries.insert(entries.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(Str(patch.GetLogMessage()), before + Entries(entries));
    EXPECT_EQ(patch.IsDescriptorValid(), c.entries == std::vector<std::wstring>{kFound});
    EXPECT_EQ(Str(patch.GetUpdateFolder()), dir.Wide());
    EXPECT_EQ(Str(patch.GetPatchInfo()), c.info);
    EXPECT_EQ(Str(patch.GetPatchFile()), c.file);
    EXPECT_EQ(Str(patch.GetPatchVersion()), c.version);
    EXPECT_EQ(Str(patch.GetPatchRevision()), c.revision);
    EXPECT_EQ(Items(patch.GetPreviousVersions()), c.previous);
    EXPECT_FALSE(patch.IsReadyToPatch()) << "the fake registry refuses the installation";
    EXPECT_EQ(dir.Read(L"brantel.dat"), c.content) << "the descriptor is only read";
}

DescriptorCase WithoutInstaller(DescriptorCase c)
{
    c.installer = false;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, DescriptorFileTest,
    ::testing::Values(
        Valid("crLfLineEnds", kCanonical),
        Valid("lfLineEnds", Lines({kInfoLine, kFileLine, kVersionLine, kPreviousLine}, "\n")),
        Valid("crLineEnds", Lines({kInfoLine, kFileLine, kVersionLine, kPreviousLine}, "\r")),
        Valid("allOnOneLine", kInfoLine + kFileLine + kVersionLine + kPreviousLine),
        Valid("blankLinesAround", "\r\n\r\n" + kCanonical + "\n\r\n\r"),
        Valid("blanksAroundValuesAndItems",
              "PatchInfo =  QVW14-HF142 \r\nPatchFile= Patch.exe\r\nPatchVersion =\t14.0.0.142  "
              "\r\nPreviousVersions =  14.0.0.140 , ,  \t , 14.0.0.141  ,\r\n"),
        Valid("sectionLineBeforeTheKeys", "[PatchInfo]\r\n" + kCanonical),
        Valid("commentBetweenFileAndVersion",
              Lines({kInfoLine, kFileLine, "; rebuilt for hotfix 2", kVersionLine, kPreviousLine},
                    "\r\n")),
        Valid("lineBetweenInfoAndFileJoinsTheIdentity",
              Lines({"PatchInfo=QVW14", "-HF142", kFileLine, kVersionLine, kPreviousLine}, "\r\n")),
        Valid("lineAfterTheListJoinsItsLastItem", kCanonical + "end\r\n",
              {L"14.0.0.140", L"14.0.0.141end"}),
        Valid("utf8ByteOrderMark", "\xEF\xBB\xBF" + kCanonical),
        Valid("singleItemWithoutComma",
              Lines({kInfoLine, kFileLine, kVersionLine, "PreviousVersions=  14.0.0.141 "}, "\r\n"),
              {L"14.0.0.141"}),
        Valid("valueHoldsAnEqualsSign",
              Lines({"PatchInfo==QVW=14", kFileLine, kVersionLine, kPreviousLine}, "\r\n"),
              kBothPrevious, L"=QVW=14"),
        DescriptorCase{"versionWithoutDotHasNoRevision",
                       Lines({kInfoLine, kFileLine, "PatchVersion=142", kPreviousLine}, "\r\n"),
                       {kFound},
                       L"QVW14-HF142",
                       L"Patch.exe",
                       L"142",
                       L"",
                       kBothPrevious},
        Invalid("capitalExtension",
                Lines({kInfoLine, "PatchFile=Patch.EXE", kVersionLine, kPreviousLine}, "\r\n"),
                kExit2),
        Invalid("listBeforeVersion",
                Lines({kInfoLine, kFileLine, kPreviousLine, kVersionLine}, "\r\n"), kExit3),
        Invalid("fileBeforeInfo",
                Lines({kFileLine, kInfoLine, kVersionLine, kPreviousLine}, "\r\n"), kExit3),
        Invalid("onlyASectionLineForTheIdentity",
                Lines({"[PatchInfo]", kFileLine, kVersionLine, kPreviousLine}, "\r\n"), kExit4,
                kBothPrevious),
        Invalid("emptyVersion",
                Lines({kInfoLine, kFileLine, "PatchVersion=  ", kPreviousLine}, "\r\n"), kExit4,
                kBothPrevious),
        Invalid("emptyIdentity",
                Lines({"PatchInfo= \t", kFileLine, kVersionLine, kPreviousLine}, "\r\n"), kExit4,
                kBothPrevious),
        Invalid("listOfCommasAndBlanks",
                Lines({kInfoLine, kFileLine, kVersionLine, "PreviousVersions= , ,, \t,"}, "\r\n"),
                kExit4),
        Invalid("emptyList",
                Lines({kInfoLine, kFileLine, kVersionLine, "PreviousVersions="}, "\r\n"), kExit4),
        Invalid("versionKeyMissing", Lines({kInfoLine, kFileLine, kPreviousLine}, "\r\n"), kExit1),
        Invalid("keysInOtherCase",
                "patchinfo=QVW14-HF142\r\nPatchFile=Patch.exe\r\nPatchVersion=14.0.0.142\r\n"
                "PreviousVersions=14.0.0.140",
                kExit1),
        WithoutInstaller(Invalid("installerMissing", kCanonical, kExit5, kBothPrevious)),
        Invalid("emptyFile", "", kExit1), Invalid("utf16File", Utf16(kCanonical), kExit1),
        Invalid("zeroByteEndsTheText",
                kInfoLine + std::string(1, '\0') + "\r\n" + kFileLine + "\r\n" + kVersionLine +
                    "\r\n" + kPreviousLine,
                kExit1)),
    [](const auto& param) { return param.param.name; });

// PatchFile names a file beside the program and nothing else, even when what
// it names exists: each of these is refused as an installer not found there.
TEST_F(DescriptorTest, PatchFileThatIsNoPlainNameIsNotFound)
{
    std::filesystem::create_directories(dir.Path() / L"sub");
    dir.Write(L"sub" + std::wstring(1, kPathSeparator) + L"x.exe", "MZ");
    const char* const rows[] = {"..\\other\\setup.exe",
                                "../other/setup.exe",
                                "sub/x.exe",
                                "sub\\x.exe",
                                "C:x.exe",
                                "x:y.exe",
                                "NUL.exe",
                                "con.exe",
                                "Com1.exe",
                                "lpt9 .exe",
                                "AUX.tar.exe",
                                "PRN.exe"};
    const std::wstring before = ValidationEntries();
    for (const char* row : rows)
    {
        const std::string value = row;
#ifndef _WIN32
        // Here each of them but the paths is a plain file name: it exists.
        if (value.find('/') == std::string::npos)
            std::ofstream(dir.Path() / std::filesystem::u8path(value)) << "MZ";
#endif
        dir.Write(L"brantel.dat",
                  Lines({kInfoLine, "PatchFile=" + value, kVersionLine, kPreviousLine}, "\r\n"));
        CPatchExecute patch;
        EXPECT_EQ(Str(patch.GetLogMessage()), before + Entries({kCompleted, kExit5})) << value;
        EXPECT_FALSE(patch.IsDescriptorValid()) << value;
    }
    // A name that merely starts like a device is a name like any other.
    dir.Write(L"CONSOLE.exe", "MZ");
    dir.Write(L"brantel.dat",
              Lines({kInfoLine, "PatchFile=CONSOLE.exe", kVersionLine, kPreviousLine}, "\r\n"));
    EXPECT_TRUE(CPatchExecute().IsDescriptorValid());
}

TEST_F(DescriptorTest, NoDescriptorBesideTheProgram)
{
    const std::wstring before = ValidationEntries();
    dir.Write(L"Patch.exe", "MZ");
    CPatchExecute patch;
    EXPECT_EQ(Str(patch.GetLogMessage()), before + Entries({kExit6}));
    EXPECT_FALSE(patch.IsDescriptorValid());
    EXPECT_EQ(Str(patch.GetUpdateFolder()), L"") << "set only when the descriptor exists";
}

TEST_F(DescriptorTest, DescriptorNameInOtherCaseIsNotTheDescriptor)
{
    dir.Write(L"BRANTEL.DAT", kCanonical);
    if (dir.Exists(L"brantel.dat"))
        GTEST_SKIP() << "file names ignore case here";
    const std::wstring before = ValidationEntries();
    CPatchExecute patch;
    EXPECT_EQ(Str(patch.GetLogMessage()), before + Entries({kExit6}));
}

TEST_F(DescriptorTest, DescriptorThatCannotBeOpened)
{
    const std::wstring before = ValidationEntries();
    std::filesystem::create_directory(dir.Path() / L"brantel.dat");
    dir.Write(L"Patch.exe", "MZ");
    CPatchExecute patch;
    const std::wstring path = InFolder(dir, L"brantel.dat");
    EXPECT_EQ(Str(patch.GetLogMessage()),
              before + Entries({Description(CFileException::accessDenied,
                                            platform::kErrorAccessDenied, path),
                                kFailed, kExit1}));
    EXPECT_FALSE(patch.IsDescriptorValid());
    EXPECT_EQ(Str(patch.GetUpdateFolder()), dir.Wide());
}

// Opens files normally but fails every read.
class FailingReadOs : public FakeOs
{
public:
    platform::Status FileRead(platform::FileHandle, void*, std::uint32_t,
                              std::uint32_t& read) override
    {
        read = 0;
        return platform::kErrorLockViolation;
    }
};

TEST(DescriptorReadTest, DescriptorWhoseReadFailsCountsAsUnreadable)
{
    FailingReadOs os;
    platform::ScopedOs scope(os);
    TempDir dir;
    os.moduleFileName = InFolder(dir, L"Brantel.exe");
    dir.Write(L"brantel.dat", kCanonical);
    dir.Write(L"Patch.exe", "MZ");
    CPatchExecute patch;
    const std::wstring log = Str(patch.GetLogMessage());
    const std::wstring path = InFolder(dir, L"brantel.dat");
    const std::wstring description =
        Description(CFileException::lockViolation, platform::kErrorLockViolation,
                    testing_support::W(os.FullPath(testing_support::X(path))));
    const std::wstring tail = Entries({description, kFailed, kExit1});
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    EXPECT_EQ(log.find(kCompleted), std::wstring::npos);
    EXPECT_FALSE(patch.IsDescriptorValid());
}

// ---------------------------------------------------------------------------
// The parse and the whole-file reader, called on a constructed object

class DescriptorParseTest : public DescriptorTest
{
protected:
    // An object whose own descriptor read failed early, leaving every field
    // empty but the folder set.
    DescriptorParseTest()
    {
        dir.Write(L"brantel.dat", "");
        patch = std::make_unique<CPatchExecute>();
        before = Str(patch->GetLogMessage());
    }

    std::wstring Added() const { return Str(patch->GetLogMessage()).substr(before.size()); }

    std::unique_ptr<CPatchExecute> patch;
    std::wstring before;
};

TEST_F(DescriptorParseTest, ValidTextAfterAFailedReadSetsEveryField)
{
    dir.Write(L"Patch.exe", "MZ");
    patch->ParsePatchDescriptor(CString(kCanonical.c_str()));
    EXPECT_EQ(Added(), Entries({kFound}));
    EXPECT_TRUE(patch->IsDescriptorValid());
    EXPECT_EQ(Str(patch->GetPatchInfo()), L"QVW14-HF142");
    EXPECT_EQ(Str(patch->GetPatchRevision()), L"142");
    EXPECT_EQ(Items(patch->GetPreviousVersions()), kBothPrevious);
}

TEST_F(DescriptorParseTest, FailureAfterSuccessClearsTheVerdict)
{
    dir.Write(L"Patch.exe", "MZ");
    patch->ParsePatchDescriptor(CString(kCanonical.c_str()));
    ASSERT_TRUE(patch->IsDescriptorValid());
    patch->ParsePatchDescriptor(L"PatchInfo=A");
    EXPECT_FALSE(patch->IsDescriptorValid());
    EXPECT_EQ(Added(), Entries({kFound, kExit1}));
}

TEST_F(DescriptorParseTest, ListIsRefilledNotExtended)
{
    EXPECT_TRUE(patch->LoadPreviousVersions(L"1, 2"));
    EXPECT_TRUE(patch->LoadPreviousVersions(L" 3 "));
    EXPECT_EQ(Items(patch->GetPreviousVersions()), std::vector<std::wstring>{L" 3 "})
        << "a list without a comma is one item, taken as it is";
    EXPECT_FALSE(patch->LoadPreviousVersions(L",,"));
    EXPECT_TRUE(Items(patch->GetPreviousVersions()).empty());
    patch->SplitPreviousVersions(L"a,\r\nb\r\n,c");
    EXPECT_EQ(Items(patch->GetPreviousVersions()), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(Added(), L"") << "the list operations report nothing";
}

TEST_F(DescriptorParseTest, LocalRecordReadUsesItsOwnWords)
{
    dir.Write(L"installedupdates.dat", "QVW14-HF142\r\n");
    const CString text =
        patch->ReadFileContent(InFolder(dir, L"installedupdates.dat").c_str(), TRUE);
    EXPECT_EQ(Str(text), L"QVW14-HF142\r\n") << "line ends are kept";
    const std::wstring missing = InFolder(dir, L"missing.dat");
    EXPECT_EQ(Str(patch->ReadFileContent(missing.c_str(), TRUE)), L"");
    EXPECT_EQ(Added(), Entries({L"Read local installer update file completed.",
                                Description(CFileException::fileNotFound,
                                            platform::kErrorFileNotFound, missing),
                                L"Read local installer update file failed."}));
}

TEST(DescriptorHelpersTest, KeyValueAndLineBreaks)
{
    EXPECT_EQ(Str(GetKeyValue(L"PatchInfo = A = B ", L"=")), L"A = B");
    EXPECT_EQ(Str(GetKeyValue(L"PatchInfo", L"=")), L"");
    EXPECT_EQ(Str(GetKeyValue(L"PatchInfo=", L"=")), L"");
    EXPECT_EQ(Str(GetKeyValue(L"=\t\x3000x\x00A0", L"=")), L"x") << "Unicode blanks are trimmed";
    EXPECT_EQ(Str(RemoveLineBreaks(L"a\r\nb\nc\rd\n\re")), L"abcde");
    EXPECT_EQ(Str(RemoveLineBreaks(L"\r\r\n\n")), L"");
    EXPECT_EQ(Str(RemoveLineBreaks(L"")), L"");
}

// ---------------------------------------------------------------------------
// Revision numbers: read as _wtoi reads them

struct RevisionCase
{
    const char* name;
    std::wstring text;
    int number;
};

void PrintTo(const RevisionCase& c, std::ostream* out)
{
    *out << c.name;
}

class RevisionNumberTest : public ::testing::TestWithParam<RevisionCase>
{
};

TEST_P(RevisionNumberTest, ReadsLikeTheRuntime)
{
    const CString text(GetParam().text.c_str());
    EXPECT_EQ(RevisionNumber(text), GetParam().number);
#ifdef _WIN32
    EXPECT_EQ(RevisionNumber(text), _wtoi(text.GetString())) << "the C runtime reads it so";
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RevisionNumberTest,
    ::testing::Values(RevisionCase{"plain", L"142", 142}, RevisionCase{"leadingZero", L"0142", 142},
                      RevisionCase{"trailingLetters", L"142a", 142},
                      RevisionCase{"trailingDot", L"14.2", 14}, RevisionCase{"empty", L"", 0},
                      RevisionCase{"leadingBlank", L" 7", 7},
                      RevisionCase{"leadingTabsAndLineBreaks", L"\t\r\n\v\f 7", 7},
                      RevisionCase{"trailingBlank", L"7 ", 7}, RevisionCase{"minus", L"-3", -3},
                      RevisionCase{"plus", L"+4", 4}, RevisionCase{"blankAfterSign", L"- 3", 0},
                      RevisionCase{"twoSigns", L"+-3", 0}, RevisionCase{"signOnly", L"-", 0},
                      RevisionCase{"noDigits", L"abc", 0}, RevisionCase{"letterFirst", L"a142", 0},
                      RevisionCase{"largest", L"2147483647", INT_MAX},
                      RevisionCase{"smallest", L"-2147483648", INT_MIN},
                      RevisionCase{"tooLarge", L"2147483648", INT_MAX},
                      RevisionCase{"farTooLarge", L"99999999999999999999", INT_MAX},
                      RevisionCase{"farTooSmall", L"-99999999999999999999", INT_MIN},
                      RevisionCase{"noBreakSpace",
                                   L"\x00A0"
                                   L"142",
                                   142},
                      RevisionCase{"ideographicSpace",
                                   L"\x3000"
                                   L"142",
                                   142},
                      RevisionCase{"nextLineIsNoBlank",
                                   L"\x0085"
                                   L"142",
                                   0},
                      RevisionCase{"zeroWidthSpaceIsNoBlank",
                                   L"\x200B"
                                   L"142",
                                   0},
                      RevisionCase{"fullWidthDigits", L"\xFF11\xFF14\xFF12", 142},
                      RevisionCase{"arabicIndicDigits", L"-\x0661\x0664\x0662", -142},
                      RevisionCase{"mixedScripts",
                                   L"1\x0E54"
                                   L"2",
                                   142},
                      RevisionCase{"superscriptIsNoDigit", L"14\x00B2", 14}),
    [](const auto& param) { return param.param.name; });

#ifdef _WIN32
TEST(RevisionNumberRuntimeTest, AgreesWithTheRuntimeForEveryCharacter)
{
    // Each character alone, and in front of a digit: blanks, signs and
    // digits of every script are read as the C runtime reads them.
    int mismatches = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u)
    {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const wchar_t alone[] = {static_cast<wchar_t>(u), L'\0'};
        const wchar_t before[] = {static_cast<wchar_t>(u), L'7', L'\0'};
        for (const wchar_t* text : {alone, before})
        {
            const int expected = _wtoi(text);
            if (RevisionNumber(CString(text)) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "U+" << std::hex << u << " reads as " << std::dec << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}
#endif

// ---------------------------------------------------------------------------
// The product executable's file version and the comparisons

class VersionTest : public DescriptorTest
{
protected:
    // A registry that names the install folder (the installation check
    // itself refuses, for want of the uninstall entry; the folder is read).
    VersionTest()
    {
        std::filesystem::create_directory(dir.Path() / L"Quenvia");
        installFolder = InFolder(dir, L"Quenvia");
        os.registry[kProductKey] = {{L"Version", L"14.0"}, {L"Installpath", installFolder}};
        patch = std::make_unique<CPatchExecute>();
        EXPECT_EQ(Str(patch->GetInstallPath()), installFolder);
    }

    std::wstring Exe(const std::wstring& name) const
    {
        return installFolder + kPathSeparator + name;
    }
    void Place(const std::wstring& name, std::pair<std::uint32_t, std::uint32_t> version)
    {
        dir.Write(L"Quenvia/" + name, "MZ");
        os.fileVersions[Exe(name)] = version;
    }

    std::wstring installFolder;
    std::unique_ptr<CPatchExecute> patch;
};

TEST_F(VersionTest, FileVersionBecomesTheInstalledVersionAndRevision)
{
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 142));
    patch->ReadInstalledVersion();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"14.0.0.142");
    EXPECT_EQ(Str(patch->GetInstalledRevision()), L"142");
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), L"") << "only the after-patch read sets it";
}

TEST_F(VersionTest, NumbersAreUnsignedSixteenBitDecimals)
{
    Place(L"Qvw.exe", FakeOs::Version(65535, 65535, 65535, 65535));
    patch->ReadInstalledVersion();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"65535.65535.65535.65535");
    EXPECT_EQ(Str(patch->GetInstalledRevision()), L"65535");

    os.fileVersions[Exe(L"Qvw.exe")] = FakeOs::Version(0, 0, 0, 0);
    patch->ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), L"0.0.0.0");
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"65535.65535.65535.65535");
}

TEST_F(VersionTest, LowerCaseNameIsTriedWhenTheOtherIsMissing)
{
    Place(L"qvw.exe", FakeOs::Version(14, 0, 0, 141));
    // Where names ignore case, "Qvw.exe" finds the same file and is used.
    os.fileVersions[Exe(L"Qvw.exe")] = FakeOs::Version(14, 0, 0, 142);
    const bool ignoresCase = dir.Exists(L"Quenvia/Qvw.exe");
    patch->ReadInstalledVersion();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), ignoresCase ? L"14.0.0.142" : L"14.0.0.141");
    patch->ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), ignoresCase ? L"14.0.0.142" : L"14.0.0.141");
}

TEST_F(VersionTest, CapitalisedNameWinsWhenBothExist)
{
    Place(L"qvw.exe", FakeOs::Version(14, 0, 0, 141));
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 142));
    patch->ReadInstalledVersion();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"14.0.0.142");
}

TEST_F(VersionTest, MissingExecutableLeavesTheFieldsAsTheyWere)
{
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"");
    EXPECT_EQ(Str(patch->GetInstalledRevision()), L"");
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), L"");

    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 140));
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    std::filesystem::remove(dir.Path() / L"Quenvia" / L"Qvw.exe");
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"14.0.0.140");
    EXPECT_EQ(Str(patch->GetInstalledRevision()), L"140");
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), L"14.0.0.140");
}

TEST_F(VersionTest, ExecutableWithoutVersionResourceCountsAsMissing)
{
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 140));
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    os.fileVersions.clear();
    Place(L"qvw.exe", FakeOs::Version(14, 0, 0, 150));
    os.fileVersions.erase(Exe(L"Qvw.exe"));
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch->GetInstalledVersion()), L"14.0.0.140")
        << "the lower-case name is tried only when the file is missing";
    EXPECT_EQ(Str(patch->GetInstalledRevision()), L"140");
    EXPECT_EQ(Str(patch->GetVersionAfterPatch()), L"14.0.0.140");
}

TEST_F(VersionTest, VersionReadsAddNoEntries)
{
    const std::wstring before = Str(patch->GetLogMessage());
    const std::wstring console = os.console;
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 142));
    patch->ReadInstalledVersion();
    patch->ReadVersionAfterPatch();
    os.fileVersions.clear();
    patch->ReadInstalledVersion();
    EXPECT_EQ(Str(patch->GetLogMessage()), before);
    EXPECT_EQ(os.console, console);
}

TEST_F(VersionTest, PatchVersionAndItsRevision)
{
    struct Row
    {
        const wchar_t* version;
        const wchar_t* revision;
    };
    const Row rows[] = {{L"14.0.0.142", L"142"}, {L"14.5", L"5"},      {L"14.0.0.0142", L"0142"},
                        {L"14.0.0.", L""},       {L"1.2.3.4a", L"4a"}, {L".7", L"7"}};
    for (const Row& row : rows)
    {
        CPatchExecute fresh;
        fresh.SetPatchVersion(row.version);
        EXPECT_EQ(Str(fresh.GetPatchVersion()), row.version);
        EXPECT_EQ(Str(fresh.GetPatchRevision()), row.revision) << Str(CString(row.version));
    }
    CPatchExecute noDot;
    noDot.SetPatchVersion(L"142");
    EXPECT_EQ(Str(noDot.GetPatchVersion()), L"142");
    EXPECT_EQ(Str(noDot.GetPatchRevision()), L"");
    EXPECT_EQ(RevisionNumber(noDot.GetPatchRevision()), 0);
    CPatchExecute empty;
    empty.SetPatchVersion(L"");
    EXPECT_EQ(Str(empty.GetPatchVersion()), L"");
    EXPECT_EQ(Str(empty.GetPatchRevision()), L"");
}

TEST_F(VersionTest, PatchVersionMatchesOnlyTheSameText)
{
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 142));
    patch->SetPatchVersion(L"14.0.0.142");
    EXPECT_FALSE(patch->IsPatchVersionInstalled()) << "nothing read yet";
    patch->ReadInstalledVersion();
    EXPECT_TRUE(patch->IsPatchVersionInstalled());

    patch->SetPatchVersion(L"14.0.0.0142");
    EXPECT_FALSE(patch->IsPatchVersionInstalled()) << "versions are compared as text";
    EXPECT_EQ(RevisionNumber(patch->GetInstalledRevision()),
              RevisionNumber(patch->GetPatchRevision()));

    patch->SetPatchVersion(L"14.0.0.14");
    EXPECT_FALSE(patch->IsPatchVersionInstalled());
    patch->SetPatchVersion(L"14.0.0.1420");
    EXPECT_FALSE(patch->IsPatchVersionInstalled());
}

TEST_F(VersionTest, PreviousVersionMatchesOnlyAnItemOfTheSameText)
{
    Place(L"Qvw.exe", FakeOs::Version(14, 0, 0, 142));
    ASSERT_TRUE(patch->LoadPreviousVersions(L"14.0.0.142"));
    EXPECT_FALSE(patch->IsPreviousVersionInstalled()) << "nothing read yet";
    patch->ReadInstalledVersion();
    EXPECT_TRUE(patch->IsPreviousVersionInstalled());

    ASSERT_TRUE(patch->LoadPreviousVersions(L"14.0.0.0142, 14.0.0. 142, 14.0.0.1420, 14.0.0.14"));
    EXPECT_FALSE(patch->IsPreviousVersionInstalled());
    ASSERT_TRUE(patch->LoadPreviousVersions(L"14.0.0.140, 14.0.0.141, 14.0.0.142"));
    EXPECT_TRUE(patch->IsPreviousVersionInstalled()) << "the last item counts as well";
}

// The real image reader (or the system's version functions) behind the fake
// registry: a generated executable gives its file version, not its product
// version.
class RealFileVersionOs : public FakeOs
{
public:
    bool ReadFileVersion(platform::XStringView path, std::uint32_t& ms, std::uint32_t& ls) override
    {
        return platform::ReadFileVersion(path, ms, ls);
    }
};

TEST(InstalledImageTest, ProductExecutableImageGivesItsFileVersion)
{
    RealFileVersionOs os;
    platform::ScopedOs scope(os);
    TempDir dir;
    os.moduleFileName = InFolder(dir, L"Brantel.exe");
    os.registry[kProductKey] = {{L"Version", L"14.0"}, {L"Installpath", dir.Wide()}};
    testing_support::PeOptions options;
    options.pe32Plus = true;
    options.fileVersion = {14, 0, 0, 142};
    options.productVersion = {14, 0, 1, 7};
    testing_support::BuildPeImage(options).Write(dir.Path() / L"Qvw.exe");

    CPatchExecute patch;
    patch.ReadInstalledVersion();
    EXPECT_EQ(Str(patch.GetInstalledVersion()), L"14.0.0.142");
    EXPECT_EQ(Str(patch.GetInstalledRevision()), L"142");

    // A damaged image afterwards leaves the version read before.
    options.fixedInfoSignature = 0;
    testing_support::BuildPeImage(options).Write(dir.Path() / L"Qvw2.exe");
    std::filesystem::remove(dir.Path() / L"Qvw.exe");
    std::filesystem::rename(dir.Path() / L"Qvw2.exe", dir.Path() / L"Qvw.exe");
    patch.ReadVersionAfterPatch();
    EXPECT_EQ(Str(patch.GetVersionAfterPatch()), L"");
}

} // namespace
