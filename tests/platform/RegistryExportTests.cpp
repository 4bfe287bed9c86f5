// HKEY_LOCAL_MACHINE read from a registry export file (POSIX).
#include "platform/registry.h"
#include "platform/status.h"
#include "platform/text.h"

#include "FakeOs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testing_support::TempDir;

namespace
{

const char* const kVariable = "BRANTEL_REGISTRY";

std::string Utf8(platform::XStringView text)
{
    return platform::ToUtf8(text);
}
platform::XString X(const std::string& utf8)
{
    return platform::FromUtf8(utf8);
}

// The text as a Windows registry editor writes it: UTF-16LE with a BOM.
std::string Utf16File(const std::string& utf8)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::FromUtf8(utf8))
    {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Bytes in the hex form of an export file, wrapped the way the registry
// editor wraps them (a trailing backslash, the next line indented).
std::string HexList(const std::string& bytes)
{
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += digits[byte >> 4];
        out += digits[byte & 15];
        if (i + 1 < bytes.size())
            out += (i % 20 == 19) ? ",\\\r\n  " : ",";
    }
    return out;
}

// A text as UTF-16LE bytes, with its terminating zero.
std::string Utf16Bytes(const std::string& utf8)
{
    return Utf16File(utf8).substr(2) + std::string(2, '\0');
}

// Points BRANTEL_REGISTRY at a file in a fresh folder for one test.
class RegistryExportTest : public ::testing::Test
{
protected:
    RegistryExportTest()
    {
        const char* previous = std::getenv(kVariable);
        m_hadPrevious = previous != nullptr;
        if (m_hadPrevious)
            m_previous = previous;
        setenv(kVariable, Path().c_str(), 1);
    }
    ~RegistryExportTest() override
    {
        if (m_hadPrevious)
            setenv(kVariable, m_previous.c_str(), 1);
        else
            unsetenv(kVariable);
    }

    std::string Path() const { return (dir.Path() / "registry.reg").string(); }
    void Write(const std::string& bytes) const { dir.Write(L"registry.reg", bytes); }

    static platform::Status Open(const std::string& key)
    {
        platform::RegistryKey handle = 0;
        const platform::Status status = platform::RegistryOpenKey(X(key), handle);
        if (status == platform::kSuccess)
            platform::RegistryCloseKey(handle);
        return status;
    }

    // Opens, queries and closes; the text is "<unchanged>" unless the query
    // gave one.
    static platform::Status Query(const std::string& key, const std::string& value,
                                  std::string& text)
    {
        text = "<unchanged>";
        platform::RegistryKey handle = 0;
        platform::Status status = platform::RegistryOpenKey(X(key), handle);
        if (status != platform::kSuccess)
            return status;
        platform::XString result = X("<unchanged>");
        status = platform::RegistryQueryString(handle, X(value), result);
        platform::RegistryCloseKey(handle);
        text = Utf8(result);
        return status;
    }

    TempDir dir;

private:
    bool m_hadPrevious = false;
    std::string m_previous;
};

const std::string kProduct = "SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";

// ---------------------------------------------------------------------------
// Encodings and headers

struct EncodingCase
{
    const char* name;
    std::string bytes;
};

void PrintTo(const EncodingCase& c, std::ostream* out)
{
    *out << c.name;
}

class EncodingTest : public RegistryExportTest, public ::testing::WithParamInterface<EncodingCase>
{
};

const std::string kBodyCrLf =
    "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0]"
    "\r\n\"Version\"=\"14.0\"\r\n\"Name\"=\"Caf\xC3\xA9 \xE2\x82\xAC\"\r\n";
const std::string kBodyLf = "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0]"
                            "\n\"Version\"=\"14.0\"\n\"Name\"=\"Caf\xC3\xA9 \xE2\x82\xAC\"\n";

TEST_P(EncodingTest, ValuesReadTheSameWhateverTheEncoding)
{
    Write(GetParam().bytes);
    std::string text;
    EXPECT_EQ(Query(kProduct, "Version", text), platform::kSuccess);
    EXPECT_EQ(text, "14.0");
    EXPECT_EQ(Query(kProduct, "Name", text), platform::kSuccess);
    EXPECT_EQ(text, "Caf\xC3\xA9 \xE2\x82\xAC");
}

INSTANTIATE_TEST_SUITE_P(
    Files, EncodingTest,
    ::testing::Values(
        EncodingCase{"utf16WithBom", Utf16File("Windows Registry Editor Version 5.00" + kBodyCrLf)},
        EncodingCase{"utf16LineFeeds", Utf16File("Windows Registry Editor Version 5.00" + kBodyLf)},
        EncodingCase{"utf8WithoutBom", "Windows Registry Editor Version 5.00" + kBodyLf},
        EncodingCase{"utf8WithBom", "\xEF\xBB\xBFWindows Registry Editor Version 5.00" + kBodyCrLf},
        EncodingCase{"regedit4Utf8", "REGEDIT4" + kBodyCrLf},
        EncodingCase{"headerWithTrailingBlank", "REGEDIT4 \t" + kBodyCrLf},
        // Windows-1252: e9 is e-acute, 80 the euro sign.
        EncodingCase{"regedit4Ansi",
                     "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" + kProduct +
                         "]\r\n\"Version\"=\"14.0\"\r\n\"Name\"=\"Caf\xE9 \x80\"\r\n"},
        EncodingCase{"lastLineWithoutLineFeed",
                     "REGEDIT4\n[HKLM\\" + kProduct +
                         "]\n\"Name\"=\"Caf\xC3\xA9 \xE2\x82\xAC\"\n\"Version\"=\"14.0\""}),
    [](const auto& param) { return param.param.name; });

// ---------------------------------------------------------------------------
// Value queries

const std::string kValuesFile =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; exported for the tests\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0]\r\n"
    "\"Version\"=\"14.0\"\r\n"
    "\"Installpath\"=\"C:\\\\Program Files (x86)\\\\Quenvia\\\\\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\"Unescaped\"=\"C:\\Temp\\new\"\r\n"
    "@=\"the default\"\r\n"
    "\"Empty\"=\"\"\r\n"
    "   \"Indented\" = \"blanks around the sign\"   ; and a comment\r\n"
    "\"Expand\"=hex(2):" +
    HexList(Utf16Bytes("%ProgramFiles%\\Quenvia\\Qvw.exe")) +
    "\r\n"
    "\"Dword\"=dword:00340031\r\n"
    "\"Binary\"=hex:41,00,42,00\r\n"
    "\"OddBinary\"=hex:41,00,42\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    "\"Max\"=\"" +
    std::string(255, 'm') +
    "\"\r\n"
    "\"TooLong\"=\"" +
    std::string(256, 't') +
    "\"\r\n"
    "\"Long300\"=\"" +
    std::string(300, 'l') +
    "\"\r\n"
    "\"FullBuffer\"=hex:" +
    HexList(std::string(512, 'A')) +
    "\r\n"
    "\"OverBuffer\"=hex:" +
    HexList(std::string(514, 'A')) +
    "\r\n"
    "\"EmptyBinary\"=hex:\r\n"
    "\"Redefined\"=\"first\"\r\n"
    "\"Removed\"=\"here for a while\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
    "\"Redefined\"=\"belongs to another key\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\DORVANE SOFTWARE INC.\\QUENVIA\\14.0]\r\n"
    "\"REDEFINED\"=\"second\"\r\n"
    "\"removed\"=-\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\\xC3\x84rger]\r\n"
    "\"\xC3\x9C\"=\"umlaut\"\r\n";

struct QueryCase
{
    const char* name;
    std::string key;
    std::string value;
    platform::Status status;
    std::string text; // "<unchanged>" when the query fails
};

void PrintTo(const QueryCase& c, std::ostream* out)
{
    *out << c.name;
}

class QueryTest : public RegistryExportTest, public ::testing::WithParamInterface<QueryCase>
{
};

TEST_P(QueryTest, GivesTheTextOrTheWin32Status)
{
    Write(kValuesFile);
    std::string text;
    EXPECT_EQ(Query(GetParam().key, GetParam().value, text), GetParam().status);
    EXPECT_EQ(text, GetParam().text);
}

const std::string kUnchanged = "<unchanged>";

INSTANTIATE_TEST_SUITE_P(
    Values, QueryTest,
    ::testing::Values(
        QueryCase{"plain", kProduct, "Version", 0, "14.0"},
        QueryCase{"keyAndValueInOtherCase", "software\\dorvane SOFTWARE inc.\\quenvia\\14.0",
                  "VERSION", 0, "14.0"},
        QueryCase{"escapedBackslashes", kProduct, "Installpath", 0,
                  "C:\\Program Files (x86)\\Quenvia\\"},
        QueryCase{"escapedQuotes", kProduct, "Quoted", 0, "say \"hi\""},
        QueryCase{"otherBackslashesStandForThemselves", kProduct, "Unescaped", 0, "C:\\Temp\\new"},
        QueryCase{"defaultValue", kProduct, "", 0, "the default"},
        QueryCase{"emptyText", kProduct, "Empty", 0, ""},
        QueryCase{"blanksAndComment", kProduct, "Indented", 0, "blanks around the sign"},
        QueryCase{"expandStringIsRawText", kProduct, "Expand", 0,
                  "%ProgramFiles%\\Quenvia\\Qvw.exe"},
        QueryCase{"dwordAsTwoUnits", kProduct, "Dword", 0, "14"},
        QueryCase{"binaryWithoutZeroIsAllOfIt", kProduct, "Binary", 0, "AB"},
        QueryCase{"oddLastByteIsNoUnit", kProduct, "OddBinary", 0, "A"},
        QueryCase{"multiStringUpToFirstZero", kProduct, "Multi", 0, "a"},
        QueryCase{"emptyBinary", kProduct, "EmptyBinary", 0, ""},
        QueryCase{"255CharactersFit", kProduct, "Max", 0, std::string(255, 'm')},
        QueryCase{"256CharactersDoNot", kProduct, "TooLong", platform::kErrorMoreData, kUnchanged},
        QueryCase{"300Characters", kProduct, "Long300", platform::kErrorMoreData, kUnchanged},
        QueryCase{"514BytesDoNot", kProduct, "OverBuffer", platform::kErrorMoreData, kUnchanged},
        QueryCase{"missingValue", kProduct, "Nothing", platform::kErrorFileNotFound, kUnchanged},
        QueryCase{"laterSectionOfTheSameKeyWins", kProduct, "Redefined", 0, "second"},
        QueryCase{"deletedValue", kProduct, "Removed", platform::kErrorFileNotFound, kUnchanged},
        QueryCase{"valueOfAnotherKey", "SOFTWARE\\Other", "Redefined", 0, "belongs to another key"},
        QueryCase{"nonAsciiLettersIgnoreCase", "software\\\xC3\xA4RGER", "\xC3\xBC", 0, "umlaut"}),
    [](const auto& param) { return param.param.name; });

TEST_F(RegistryExportTest, FullBufferOfUnitsIsReadWhole)
{
    // 512 bytes of 'A' read as UTF-16LE are 256 units of U+4141.
    Write(kValuesFile);
    std::string text;
    ASSERT_EQ(Query(kProduct, "FullBuffer", text), platform::kSuccess);
    EXPECT_EQ(X(text), platform::XString(256, u'\x4141'));
}

TEST_F(RegistryExportTest, Regedit4TextTypesInHexAreAnsi)
{
    Write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kProduct +
          "]\r\n\"Expand\"=hex(2):25,41,25,5c,e9,00\r\n\"Binary\"=hex:41,00,42,00\r\n");
    std::string text;
    EXPECT_EQ(Query(kProduct, "Expand", text), platform::kSuccess);
    EXPECT_EQ(text, "%A%\\\xC3\xA9");
    // Binary data stays as it is.
    EXPECT_EQ(Query(kProduct, "Binary", text), platform::kSuccess);
    EXPECT_EQ(text, "AB");
}

// A REG_EXPAND_SZ value takes the system's variables, which the file keeps
// where Windows does; the process's own variables (its caller's) never count.
TEST_F(RegistryExportTest, ExpandStringTakesOnlyTheSystemsVariables)
{
    Write("Windows Registry Editor Version 5.00\r\n\r\n"
          "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session "
          "Manager\\Environment]\r\n\"ProgramFiles\"=\"/opt/programs\"\r\n\r\n"
          "[HKEY_LOCAL_MACHINE\\" +
          kProduct + "]\r\n\"Icon\"=hex(2):" +
          HexList(Utf16Bytes("%programfiles%/Quenvia/Qvw.exe|%HOME%|%|50%")) + "\r\n");
    setenv("ProgramFiles", "/home/user", 1);
    std::string text;
    EXPECT_EQ(Query(kProduct, "Icon", text), platform::kSuccess);
    unsetenv("ProgramFiles");
    EXPECT_EQ(text, "/opt/programs/Quenvia/Qvw.exe|%HOME%|%|50%");
}

TEST_F(RegistryExportTest, Regedit4AnsiTextLongerThanTheBufferDoesNotFit)
{
    // 256 ANSI characters and a zero become 514 bytes of UTF-16.
    Write("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kProduct +
          "]\r\n\"Long\"=hex(2):" + HexList(std::string(256, 'a') + std::string(1, '\0')) +
          "\r\n\"Fits\"=hex(2):" + HexList(std::string(255, 'a') + std::string(1, '\0')) + "\r\n");
    std::string text;
    EXPECT_EQ(Query(kProduct, "Long", text), platform::kErrorMoreData);
    EXPECT_EQ(Query(kProduct, "Fits", text), platform::kSuccess);
    EXPECT_EQ(text, std::string(255, 'a'));
}

// ---------------------------------------------------------------------------
// Keys

const std::string kKeysFile = "Windows Registry Editor Version 5.00\r\n"
                              "\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep\\Er\\Est]\r\n"
                              "\"Leaf\"=\"1\"\r\n"
                              "\r\n"
                              "[HKLM\\SOFTWARE\\Short]\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\Software\\UserOnly]\r\n"
                              "\"Value\"=\"not ours\"\r\n"
                              "\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone\\Sub]\r\n"
                              "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\r\n"
                              "\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Parent\\Child]\r\n"
                              "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Parent\\Child]\r\n"
                              "\r\n"
                              "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Later]\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Later]\r\n"
                              "\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Again]\r\n"
                              "\"Old\"=\"1\"\r\n"
                              "[-hklm\\software\\AGAIN]\r\n"
                              "\"IgnoredAfterDeletion\"=\"x\"\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Again]\r\n"
                              "\"New\"=\"2\"\r\n"
                              "\r\n"
                              "[-HKEY_CURRENT_USER\\Software\\Short]\r\n"
                              "[-HKEY_LOCAL_MACHINE]\r\n";

struct KeyCase
{
    const char* name;
    std::string key;
    platform::Status status;
};

void PrintTo(const KeyCase& c, std::ostream* out)
{
    *out << c.name;
}

class KeyTest : public RegistryExportTest, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(KeyTest, ExistsWhenASectionNamesItOrAKeyBelowIt)
{
    Write(kKeysFile);
    EXPECT_EQ(Open(GetParam().key), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTest,
    ::testing::Values(KeyCase{"namedBySection", "SOFTWARE\\Deep\\Er\\Est", 0},
                      KeyCase{"parentOfDeeperSection", "SOFTWARE\\Deep\\Er", 0},
                      KeyCase{"grandparent", "software\\DEEP", 0}, KeyCase{"hive", "", 0},
                      KeyCase{"trailingBackslash", "SOFTWARE\\Deep\\", 0},
                      KeyCase{"missing", "SOFTWARE\\Nowhere", 2},
                      KeyCase{"belowTheDeepest", "SOFTWARE\\Deep\\Er\\Est\\More", 2},
                      KeyCase{"partOfAName", "SOFTWARE\\De", 2},
                      KeyCase{"doubledBackslash", "SOFTWARE\\\\Deep", 2},
                      KeyCase{"leadingBackslash", "\\SOFTWARE\\Deep", 2},
                      KeyCase{"shortHiveName", "SOFTWARE\\Short", 0},
                      KeyCase{"otherHiveIgnored", "Software\\UserOnly", 2},
                      KeyCase{"deletedWithItsSubkeys", "SOFTWARE\\Gone", 2},
                      KeyCase{"subkeyOfDeleted", "SOFTWARE\\Gone\\Sub", 2},
                      KeyCase{"parentOfDeletedChildStays", "SOFTWARE\\Parent", 0},
                      KeyCase{"deletedChild", "SOFTWARE\\Parent\\Child", 2},
                      KeyCase{"deletionBeforeCreation", "SOFTWARE\\Later", 0},
                      KeyCase{"recreatedAfterDeletion", "SOFTWARE\\Again", 0},
                      KeyCase{"otherHiveDeletionIgnored", "SOFTWARE\\Short\\", 0}),
    [](const auto& param) { return param.param.name; });

TEST_F(RegistryExportTest, KeyExistingOnlyAsAParentHasNoValues)
{
    Write(kKeysFile);
    std::string text;
    EXPECT_EQ(Query("SOFTWARE\\Deep\\Er", "Leaf", text), platform::kErrorFileNotFound);
    EXPECT_EQ(Query("SOFTWARE\\Deep\\Er\\Est", "leaf", text), platform::kSuccess);
    EXPECT_EQ(text, "1");
}

TEST_F(RegistryExportTest, RecreatedKeyStartsWithoutItsOldValues)
{
    Write(kKeysFile);
    std::string text;
    EXPECT_EQ(Query("SOFTWARE\\Again", "Old", text), platform::kErrorFileNotFound);
    EXPECT_EQ(Query("SOFTWARE\\Again", "IgnoredAfterDeletion", text), platform::kErrorFileNotFound);
    EXPECT_EQ(Query("SOFTWARE\\Again", "New", text), platform::kSuccess);
    EXPECT_EQ(text, "2");
}

// ---------------------------------------------------------------------------
// Files that give no keys

TEST_F(RegistryExportTest, NoFileMeansNoKeyAtAll)
{
    for (const char* key : {"", "SOFTWARE", "SOFTWARE\\Wow6432Node"})
        EXPECT_EQ(Open(key), platform::kErrorFileNotFound) << key;
}

TEST_F(RegistryExportTest, DefaultPathWhenTheVariableIsEmpty)
{
    if (std::filesystem::exists("/etc/brantel/registry.reg"))
        GTEST_SKIP() << "this machine has a registry file at the default path";
    Write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n");
    ASSERT_EQ(Open("SOFTWARE"), platform::kSuccess);
    setenv(kVariable, "", 1);
    EXPECT_EQ(Open("SOFTWARE"), platform::kErrorFileNotFound);
    unsetenv(kVariable);
    EXPECT_EQ(Open("SOFTWARE"), platform::kErrorFileNotFound);
}

TEST_F(RegistryExportTest, FolderInPlaceOfTheFileIsAReadFailure)
{
    std::filesystem::create_directory(Path());
    EXPECT_EQ(Open("SOFTWARE"), 1016);
}

TEST_F(RegistryExportTest, FileThatCannotBeOpenedIsAccessDenied)
{
    Write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n");
    chmod(Path().c_str(), 0);
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every file";
    EXPECT_EQ(Open("SOFTWARE"), platform::kErrorAccessDenied);
}

// The registry decides what an elevated program runs: a file that someone
// other than root or the running account may change is refused.
TEST_F(RegistryExportTest, FileOthersMayChangeIsRefused)
{
    Write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n");
    const struct
    {
        const char* name;
        mode_t mode;
        bool otherOwner;
        platform::Status status;
    } rows[] = {{"ownedAndPrivate", 0600, false, platform::kSuccess},
                {"groupMayWrite", 0664, false, platform::kErrorAccessDenied},
                {"othersMayWrite", 0646, false, platform::kErrorAccessDenied},
                {"ownedByAnotherAccount", 0644, true, platform::kErrorAccessDenied}};
    for (const auto& row : rows)
    {
        ASSERT_EQ(chmod(Path().c_str(), row.mode), 0);
        if (row.otherOwner && (geteuid() != 0 || chown(Path().c_str(), 65534, 65534) != 0))
            continue; // only root can give a file away
        EXPECT_EQ(Open("SOFTWARE"), row.status) << row.name;
    }
}

struct BrokenCase
{
    const char* name;
    std::string bytes;
};

void PrintTo(const BrokenCase& c, std::ostream* out)
{
    *out << c.name;
}

class BrokenFileTest : public RegistryExportTest, public ::testing::WithParamInterface<BrokenCase>
{
};

TEST_P(BrokenFileTest, EveryOpenFailsAsCorrupt)
{
    Write(GetParam().bytes);
    for (const std::string& key :
         {std::string(), std::string("SOFTWARE"), kProduct, std::string("SOFTWARE\\Nowhere")})
        EXPECT_EQ(Open(key), platform::kErrorRegistryCorrupt) << key;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kSection = "[HKEY_LOCAL_MACHINE\\" + kProduct + "]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenFileTest,
    ::testing::Values(
        BrokenCase{"emptyFile", ""}, BrokenCase{"onlyAByteOrderMark", "\xFF\xFE"},
        BrokenCase{"otherHeader", "Windows Registry Editor Version 4.00\r\n\r\n" + kSection},
        BrokenCase{"headerNotOnTheFirstLine", "\r\n" + kHeader + kSection},
        BrokenCase{"utf16WithoutBom", Utf16File(kHeader + kSection).substr(2)},
        BrokenCase{"utf16OddLength", Utf16File(kHeader + kSection) + "x"},
        BrokenCase{"valueBeforeAnySection", kHeader + "\"Version\"=\"14.0\"\r\n" + kSection},
        BrokenCase{"strayLine", kHeader + kSection + "Version=14.0\r\n"},
        BrokenCase{"unterminatedText", kHeader + kSection + "\"Version\"=\"14.0\r\n"},
        BrokenCase{"unterminatedName", kHeader + kSection + "\"Version=\"14.0\"\r\n"},
        BrokenCase{"escapedClosingQuote", kHeader + kSection + "\"Version\"=\"14.0\\\"\r\n"},
        BrokenCase{"missingEquals", kHeader + kSection + "\"Version\" \"14.0\"\r\n"},
        BrokenCase{"junkAfterText", kHeader + kSection + "\"Version\"=\"14.0\" junk\r\n"},
        BrokenCase{"unknownType", kHeader + kSection + "\"Version\"=str(2):\"14.0\"\r\n"},
        BrokenCase{"badHexDigit", kHeader + kSection + "\"Version\"=hex:4g\r\n"},
        BrokenCase{"threeDigitByte", kHeader + kSection + "\"Version\"=hex:041\r\n"},
        BrokenCase{"emptyHexItem", kHeader + kSection + "\"Version\"=hex:01,,02\r\n"},
        BrokenCase{"hexWithoutColon", kHeader + kSection + "\"Version\"=hex(2)01,00\r\n"},
        BrokenCase{"hexTypeUnclosed", kHeader + kSection + "\"Version\"=hex(2:01,00\r\n"},
        BrokenCase{"dwordTooLong", kHeader + kSection + "\"Version\"=dword:123456789\r\n"},
        BrokenCase{"dwordEmpty", kHeader + kSection + "\"Version\"=dword:\r\n"},
        BrokenCase{"dwordNotHex", kHeader + kSection + "\"Version\"=dword:0000000x\r\n"},
        BrokenCase{"sectionUnclosed", kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\r\n"},
        BrokenCase{"emptySection", kHeader + "[]\r\n"},
        BrokenCase{"unknownHive", kHeader + "[HKEY_NOWHERE\\SOFTWARE]\r\n"},
        BrokenCase{"emptyKeyName", kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\\\X]\r\n"},
        BrokenCase{"brokenLineInAnotherHive",
                   kHeader + kSection +
                       "\"Version\"=\"14.0\"\r\n[HKEY_CURRENT_USER\\X]\r\n"
                       "\"A\"=hex:zz\r\n"}),
    [](const auto& param) { return param.param.name; });

TEST_F(RegistryExportTest, FileAboveTheSizeBoundIsCorrupt)
{
    std::string bytes = kHeader + kSection + "\"Version\"=\"14.0\"\r\n";
    bytes.resize(16 * 1024 * 1024 + 1, '\n');
    Write(bytes);
    EXPECT_EQ(Open(kProduct), platform::kErrorRegistryCorrupt);
}

// ---------------------------------------------------------------------------
// Reading again, handles

TEST_F(RegistryExportTest, ChangedFileIsSeenByTheNextOpen)
{
    // Same size, written within the same second: only the content differs.
    Write(kHeader + kSection + "\"Version\"=\"14.0\"\r\n");
    std::string text;
    ASSERT_EQ(Query(kProduct, "Version", text), platform::kSuccess);
    EXPECT_EQ(text, "14.0");
    Write(kHeader + kSection + "\"Version\"=\"15.0\"\r\n");
    ASSERT_EQ(Query(kProduct, "Version", text), platform::kSuccess);
    EXPECT_EQ(text, "15.0");
    std::filesystem::remove(Path());
    EXPECT_EQ(Open(kProduct), platform::kErrorFileNotFound);
    Write("garbage");
    EXPECT_EQ(Open(kProduct), platform::kErrorRegistryCorrupt);
}

TEST_F(RegistryExportTest, HandlesAreIndependentAndInvalidOnceClosed)
{
    Write(kValuesFile);
    platform::RegistryKey product = 0;
    platform::RegistryKey other = 0;
    ASSERT_EQ(platform::RegistryOpenKey(X(kProduct), product), platform::kSuccess);
    ASSERT_EQ(platform::RegistryOpenKey(X("SOFTWARE\\Other"), other), platform::kSuccess);
    EXPECT_NE(product, other);
    EXPECT_NE(product, 0);

    platform::XString text;
    EXPECT_EQ(platform::RegistryQueryString(other, X("Redefined"), text), platform::kSuccess);
    EXPECT_EQ(Utf8(text), "belongs to another key");
    platform::RegistryCloseKey(other);
    EXPECT_EQ(platform::RegistryQueryString(other, X("Redefined"), text),
              platform::kErrorInvalidHandle);
    EXPECT_EQ(platform::RegistryQueryString(product, X("Redefined"), text), platform::kSuccess);
    EXPECT_EQ(Utf8(text), "second");
    platform::RegistryCloseKey(product);
    EXPECT_EQ(platform::RegistryQueryString(0, X("Version"), text), platform::kErrorInvalidHandle);
    platform::RegistryCloseKey(product); // a second close is harmless
}

TEST_F(RegistryExportTest, MissingKeyLeavesNoHandle)
{
    Write(kValuesFile);
    platform::RegistryKey handle = 12345;
    EXPECT_EQ(platform::RegistryOpenKey(X("SOFTWARE\\Nowhere"), handle),
              platform::kErrorFileNotFound);
    EXPECT_EQ(handle, 0);
}

// ---------------------------------------------------------------------------
// Robustness: damaged files give a status, never a crash (run under the
// sanitizers to catch reads out of bounds).

bool IsKnownStatus(platform::Status status)
{
    return status == platform::kSuccess || status == platform::kErrorFileNotFound ||
           status == platform::kErrorMoreData || status == platform::kErrorRegistryCorrupt;
}

TEST_F(RegistryExportTest, EveryTruncationGivesAStatus)
{
    for (const std::string& full : {kValuesFile, Utf16File(kKeysFile)})
    {
        const std::size_t step = full.size() / 150 + 1;
        for (std::size_t length = 0; length <= full.size(); length += step)
        {
            Write(full.substr(0, length));
            std::string text;
            const platform::Status status = Query(kProduct, "Expand", text);
            ASSERT_TRUE(IsKnownStatus(status)) << length << ": " << status;
        }
    }
}

TEST_F(RegistryExportTest, RandomDamageGivesAStatus)
{
    std::mt19937 random(20240607);
    const std::string alphabet = "[]\\\"@=-;:,()\r\n hexdword0123456789abcdefHKLM\xFF\xFE";
    for (int round = 0; round < 200; ++round)
    {
        std::string bytes = round % 2 == 0 ? kValuesFile : Utf16File(kKeysFile);
        const int damage = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < damage; ++i)
        {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3)
            {
            case 0:
                bytes[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                bytes.erase(at, 1 + random() % 16);
                break;
            default:
                bytes.insert(at, 1, alphabet[random() % alphabet.size()]);
                break;
            }
            if (bytes.empty())
                bytes = "x";
        }
        Write(bytes);
        for (const char* value : {"Version", "Expand", "Max", "Leaf"})
        {
            std::string text;
            const platform::Status status = Query(kProduct, value, text);
            ASSERT_TRUE(IsKnownStatus(status)) << round << ": " << status;
        }
    }
}

} // namespace
