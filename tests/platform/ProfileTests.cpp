// Private profile (INI) files: exact bytes of every kind of write, lookups,
// lists, cutting to the buffer, encodings and refused writes. The same cases
// run against the system's profile functions on Windows (and Wine) and
// against our own implementation elsewhere.
#include "platform/profile.h"

#include "FakeOs.h"
#include "ProfileCalls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using platform::XString;
using testing_support::TempDir;
using testing_support::W;
using testing_support::X;

namespace
{

using profile_calls::Get;
using profile_calls::Put;

// A list result: each name followed by NUL, one more NUL at the end.
std::wstring List(std::initializer_list<const wchar_t*> names)
{
    std::wstring list;
    for (const wchar_t* name : names)
    {
        list += name;
        list.push_back(L'\0');
    }
    if (!list.empty())
        list.push_back(L'\0');
    return list;
}

// UTF-16LE bytes with a byte-order mark.
std::string Utf16(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (const auto unit : X(text))
    {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Writes: the file after each step of one sequence

struct WriteStep
{
    const char* proves;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
    const char* bytes; // the whole file afterwards
};

const WriteStep kWriteSteps[] = {
    {"first write creates the file", L"Sec", L"key", L"val", "[Sec]\r\nkey=val\r\n"},
    {"second key follows the first, section found whatever its case", L"sec", L"Key2", L"two",
     "[Sec]\r\nkey=val\r\nKey2=two\r\n"},
    {"new section goes at the end", L"Other", L"k", L"v",
     "[Sec]\r\nkey=val\r\nKey2=two\r\n[Other]\r\nk=v\r\n"},
    {"new key of an earlier section goes before the next section", L"SEC", L"third", L"3",
     "[Sec]\r\nkey=val\r\nKey2=two\r\nthird=3\r\n[Other]\r\nk=v\r\n"},
    {"replacing a value keeps the key's spelling and place", L"Sec", L"KEY2", L"changed",
     "[Sec]\r\nkey=val\r\nKey2=changed\r\nthird=3\r\n[Other]\r\nk=v\r\n"},
    {"names are found without their blanks; the value loses its leading ones", L"  Other ", L" k ",
     L"  spaced out", "[Sec]\r\nkey=val\r\nKey2=changed\r\nthird=3\r\n[Other]\r\nk=spaced out\r\n"},
    {"a new key is written without its leading blanks", L"Other", L"  empty", L"",
     "[Sec]\r\nkey=val\r\nKey2=changed\r\nthird=3\r\n[Other]\r\nk=spaced out\r\nempty=\r\n"},
    {"a null value removes the key", L"sec", L"Key", nullptr,
     "[Sec]\r\nKey2=changed\r\nthird=3\r\n[Other]\r\nk=spaced out\r\nempty=\r\n"},
    {"removing a missing key changes nothing", L"Sec", L"missing", nullptr,
     "[Sec]\r\nKey2=changed\r\nthird=3\r\n[Other]\r\nk=spaced out\r\nempty=\r\n"},
    {"a null key removes the whole section", L"SEC", nullptr, nullptr,
     "[Other]\r\nk=spaced out\r\nempty=\r\n"},
    {"removing a missing section changes nothing", L"Gone", nullptr, L"ignored",
     "[Other]\r\nk=spaced out\r\nempty=\r\n"},
    {"a quoted value is stored as given", L"Other", L"q", L"\"a b\"",
     "[Other]\r\nk=spaced out\r\nempty=\r\nq=\"a b\"\r\n"},
};

TEST(ProfileWriteTest, EachWriteLeavesTheExpectedBytes)
{
    TempDir dir;
    const std::wstring file = dir.File(L"settings.ini");
    for (const WriteStep& step : kWriteSteps)
    {
        SCOPED_TRACE(step.proves);
        EXPECT_TRUE(Put(file, step.section, step.key, step.value));
        EXPECT_EQ(dir.Read(L"settings.ini"), step.bytes);
    }
    EXPECT_EQ(Get(file, L"other", L"Q", L"default"), L"a b");
    EXPECT_EQ(Get(file, L"Other", L"k", L"default"), L"spaced out");
}

TEST(ProfileWriteTest, RemovingFromAMissingFileSucceedsWithoutCreatingIt)
{
    TempDir dir;
    const std::wstring file = dir.File(L"none.ini");
    EXPECT_TRUE(Put(file, L"Sec", L"key", nullptr));
    EXPECT_TRUE(Put(file, L"Sec", nullptr, nullptr));
    EXPECT_EQ(Get(file, L"Sec", L"key", L"default"), L"default");
    EXPECT_FALSE(dir.Exists(L"none.ini"));
}

TEST(ProfileWriteTest, WriteIntoAMissingFolderFails)
{
    TempDir dir;
    EXPECT_FALSE(Put(dir.File(L"no-such-folder/x.ini"), L"Sec", L"key", L"value"));
}

TEST(ProfileWriteTest, EditsKeepEveryOtherLine)
{
    TempDir dir;
    const std::string before = "; header comment\n"
                               "\n"
                               "[A]  ; trailing\n"
                               "  one = 1\n"
                               "\n"
                               "[B]\n"
                               "two=2";
    dir.Write(L"keep.ini", before);
    const std::wstring file = dir.File(L"keep.ini");
    EXPECT_TRUE(Put(file, L"a", L"ONE", L"uno"));
    EXPECT_TRUE(Put(file, L"b", L"three", L"3"));
    EXPECT_EQ(Get(file, L"A", L"one", L"d"), L"uno");
    EXPECT_EQ(Get(file, L"B", L"two", L"d"), L"2");
    EXPECT_EQ(Get(file, L"B", L"three", L"d"), L"3");
#ifndef _WIN32
    // Wine writes the whole file anew (comments kept, blanks and empty lines
    // dropped); we touch only the changed lines.
    EXPECT_EQ(dir.Read(L"keep.ini"), "; header comment\n"
                                     "\n"
                                     "[A]  ; trailing\n"
                                     "one=uno\n"
                                     "\n"
                                     "[B]\n"
                                     "two=2\r\n"
                                     "three=3\r\n");
#endif
}

// Texts that would change the file's structure are refused, file untouched.
struct RefusedCase
{
    const char* proves;
    const wchar_t* section;
    std::wstring key;
    std::wstring value;
};

TEST(ProfileWriteTest, TextsThatWouldBreakTheFileAreRefused)
{
    const RefusedCase cases[] = {
        {"line break in the value", L"Sec", L"key", L"one\r\ntwo=2"},
        {"line feed in the key", L"Sec", L"a\nb", L"v"},
        {"carriage return in the section", L"S\rT", L"key", L"v"},
        {"equals sign in the key", L"Sec", L"a=b", L"v"},
        {"key that reads as a section line", L"Sec", L" [Other]", L"v"},
        {"NUL inside the value", L"Sec", L"key", std::wstring(L"a\0b", 3)},
    };
    TempDir dir;
    const std::string before = "[Sec]\r\nkey=old\r\n";
    dir.Write(L"r.ini", before);
    for (const RefusedCase& c : cases)
    {
        SCOPED_TRACE(c.proves);
        const XString section = X(c.section);
        const XString key = X(c.key);
        const XString value = X(c.value);
        EXPECT_FALSE(
            platform::WritePrivateProfileText(&section, &key, &value, X(dir.File(L"r.ini"))));
        EXPECT_EQ(dir.Read(L"r.ini"), before);
    }
    const XString key = X(L"key");
    const XString value = X(L"v");
    EXPECT_FALSE(platform::WritePrivateProfileText(nullptr, &key, &value, X(dir.File(L"r.ini"))));
    EXPECT_EQ(dir.Read(L"r.ini"), before);
}

// ---------------------------------------------------------------------------
// Reads

const char kReadFile[] = "; settings\r\n"
                         "\r\n"
                         "  [ Sec ]  \r\n"
                         "  key  =  value  \r\n"
                         "dq=\"quoted\"\r\n"
                         "sq='single'\r\n"
                         "mixed=\"mixed'\r\n"
                         "inner=  \" in side \"  \n"
                         "empty=\n"
                         "bare\n"
                         "nul\0tail = after\0cut\n"
                         "[Second Group]\r"
                         "x=1\r"
                         "[Third\0tail]\r\n"
                         "y=2\r\n";

struct ReadCase
{
    const char* proves;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* defaultText;
    std::size_t bufferSize;
    const wchar_t* expected;
};

const ReadCase kReadCases[] = {
    {"section and key match whatever their case", L"SEC", L"KEY", L"d", 1024, L"value"},
    {"blanks around the asked names are ignored", L" sec ", L"\tkey ", L"d", 1024, L"value"},
    {"double quotes are stripped", L"Sec", L"dq", L"d", 1024, L"quoted"},
    {"single quotes are stripped", L"Sec", L"sq", L"d", 1024, L"single"},
    {"quotes that differ stay", L"Sec", L"mixed", L"d", 1024, L"\"mixed'"},
    {"blanks inside the quotes stay", L"Sec", L"inner", L"d", 1024, L" in side "},
    {"an empty value is not the default", L"Sec", L"empty", L"d", 1024, L""},
    {"a line without equals sign has no value", L"Sec", L"bare", L"d", 1024, L"d"},
    {"a missing key gives the default", L"Sec", L"nope", L"fallback", 1024, L"fallback"},
    {"a missing section gives the default", L"Nope", L"key", L"fallback", 1024, L"fallback"},
    {"a null default gives the empty text", L"Sec", L"nope", nullptr, 1024, L""},
    {"trailing blanks of the default go", L"Sec", L"nope", L"fall back  ", 1024, L"fall back"},
    {"lines may end in a bare CR", L"second group", L"X", L"d", 1024, L"1"},
    {"names and values end at a NUL", L"Sec", L"nul", L"d", 1024, L"after"},
    {"section names end at a NUL", L"Third", L"y", L"d", 1024, L"2"},
    {"a value is cut to the buffer less one", L"Sec", L"key", L"d", 4, L"val"},
    {"a quoted value is cut without its opening quote", L"Sec", L"dq", L"d", 4, L"quo"},
    {"a buffer one short of the quoted text loses a letter", L"Sec", L"dq", L"d", 7, L"quote"},
    {"a buffer that holds the text loses the closing quote", L"Sec", L"dq", L"d", 8, L"quoted"},
    {"a quoted default is cut alike", L"Sec", L"nope", L"'fallback'", 9, L"fallbac"},
    {"the default is cut the same way", L"Sec", L"nope", L"fallback", 5, L"fall"},
    {"a one-unit buffer holds nothing", L"Sec", L"key", L"d", 1, L""},
    {"a zero-unit buffer holds nothing", L"Sec", L"key", L"d", 0, L""},
};

TEST(ProfileReadTest, LookupsFollowTheProfileRules)
{
    TempDir dir;
    dir.Write(L"read.ini", std::string(kReadFile, sizeof kReadFile - 1));
    for (const ReadCase& c : kReadCases)
    {
        SCOPED_TRACE(c.proves);
        EXPECT_EQ(Get(dir.File(L"read.ini"), c.section, c.key, c.defaultText, c.bufferSize),
                  c.expected);
    }
}

TEST(ProfileReadTest, AMissingFileGivesTheDefaultAndIsNotCreated)
{
    TempDir dir;
    const std::wstring file = dir.File(L"missing.ini");
    EXPECT_EQ(Get(file, L"Sec", L"key", L"fallback"), L"fallback");
    EXPECT_EQ(Get(file, nullptr, nullptr, L"fallback"), L"");
    EXPECT_FALSE(dir.Exists(L"missing.ini"));
}

TEST(ProfileReadTest, ValuesAreCutAtTheLibrarysBufferOf1024Units)
{
    TempDir dir;
    const std::string fits(1023, 'a');
    const std::string longer(1500, 'b');
    dir.Write(L"long.ini", "[S]\r\nfits=" + fits + "\r\nlonger=" + longer + "\r\n");
    EXPECT_EQ(Get(dir.File(L"long.ini"), L"S", L"fits", L""), std::wstring(1023, L'a'));
    EXPECT_EQ(Get(dir.File(L"long.ini"), L"S", L"longer", L""), std::wstring(1023, L'b'));
    EXPECT_EQ(Get(dir.File(L"long.ini"), L"S", L"longer", L"", 2000), std::wstring(1500, L'b'));
}

struct ListCase
{
    const char* proves;
    const wchar_t* section;
    const wchar_t* defaultText;
    std::size_t bufferSize;
    std::wstring expected;
};

TEST(ProfileReadTest, NullNamesListSectionsAndKeys)
{
    using namespace std::string_literals;
    const ListCase cases[] = {
        {"all section names", nullptr, L"d", 1024, List({L"Sec", L"Two", L"Three", L"Four"})},
        {"section names cut inside a name", nullptr, L"d", 7, List({L"Sec", L"T"})},
        {"section names cut after a name", nullptr, L"d", 6, List({L"Sec"})},
        {"section names one unit short of fitting", nullptr, L"d", 14,
         List({L"Sec", L"Two", L"Thre"})},
        {"section names that just fit", nullptr, L"d", 15, List({L"Sec", L"Two", L"Three"})},
        {"all keys of a section, comments left out", L"sec", L"d", 1024,
         List({L"key", L"ab", L"cd"})},
        {"keys cut inside a name", L"Sec", L"d", 7, List({L"key", L"a"})},
        {"a missing section lists the default", L"Nope", L"d", 1024, List({L"d"})},
        {"a listed default keeps its trailing spaces", L"Nope", L"d  ", 1024, List({L"d  "})},
        {"names in lists end at a NUL", L"Four", L"d", 1024, List({L"k"})},
        {"a section without keys lists the default", L"Two", L"d", 1024, List({L"d"})},
    };
    TempDir dir;
    dir.Write(L"list.ini", "[Sec]\r\nkey=value\r\n;note=1\r\nab=1\r\ncd=2\r\n[Two]\r\n"
                           "[Three]\r\nx=1\r\n[Four\0th]\r\nk\0ey=1\r\n"s);
    for (const ListCase& c : cases)
    {
        SCOPED_TRACE(c.proves);
        EXPECT_EQ(Get(dir.File(L"list.ini"), c.section, nullptr, c.defaultText, c.bufferSize),
                  c.expected);
    }

    // An empty first key leaves the list looking empty, so the default is
    // written over its start and the rest of the later keys shows after it.
    const ListCase emptyFirst[] = {
        {"the default over an empty first key", L"S", L"dflt", 1024, List({L"dflt", L"efg", L"h"})},
        {"the same in a buffer that cuts the keys", L"S", L"dflt", 9, List({L"dflt", L"ef"})},
        {"a null default leaves the list empty", L"S", nullptr, 1024, L""},
    };
    dir.Write(L"empty-key.ini", "[S]\r\n=v\r\nabcdefg=1\r\nh=2\r\n");
    for (const ListCase& c : emptyFirst)
    {
        SCOPED_TRACE(c.proves);
        EXPECT_EQ(Get(dir.File(L"empty-key.ini"), c.section, nullptr, c.defaultText, c.bufferSize),
                  c.expected);
    }
}

// ---------------------------------------------------------------------------
// Encodings

TEST(ProfileEncodingTest, AnsiFilesAreReadAndWrittenInTheAnsiCodePage)
{
    TempDir dir;
    dir.Write(L"ansi.ini", "[Caf\xE9]\r\nprice=5\x80\r\n");
    const std::wstring file = dir.File(L"ansi.ini");
    EXPECT_EQ(Get(file, L"CAF\u00E9", L"price", L"d"), L"5\u20AC");
    EXPECT_TRUE(Put(file, L"caf\u00E9", L"na\u00EFve", L"\u00E0 la carte"));
    EXPECT_EQ(dir.Read(L"ansi.ini"), "[Caf\xE9]\r\nprice=5\x80\r\nna\xEFve=\xE0 la carte\r\n");
}

TEST(ProfileEncodingTest, NewFileWithAnsiTextIsAnsi)
{
    TempDir dir;
    EXPECT_TRUE(Put(dir.File(L"new.ini"), L"\u00C9t\u00E9", L"k", L"\u20AC"));
    EXPECT_EQ(dir.Read(L"new.ini"), "[\xC9t\xE9]\r\nk=\x80\r\n");
}

TEST(ProfileEncodingTest, TextBeyondAnsiStartsAUtf16FileAndComesBackUnchanged)
{
    TempDir dir;
    const std::wstring file = dir.File(L"unicode.ini");
    const wchar_t* section = L"\u0394\u03B5\u03BB\u03C4\u03B1";
    const wchar_t* key = L"\u4E2D\u6587";
    const wchar_t* value = L"\u0416 \u20AC \u00E9";
    ASSERT_TRUE(Put(file, section, key, value));
    EXPECT_EQ(dir.Read(L"unicode.ini"),
              Utf16(std::wstring(L"[") + section + L"]\r\n" + key + L"=" + value + L"\r\n"));
    EXPECT_EQ(Get(file, section, key, L"d"), value);
    EXPECT_EQ(Get(file, nullptr, nullptr, L"d"), List({section}));

    // The file stays UTF-16 for later ANSI writes.
    ASSERT_TRUE(Put(file, L"Plain", L"k", L"v"));
    EXPECT_EQ(dir.Read(L"unicode.ini"), Utf16(std::wstring(L"[") + section + L"]\r\n" + key + L"=" +
                                              value + L"\r\n[Plain]\r\nk=v\r\n"));
}

TEST(ProfileEncodingTest, Utf16FilesAreReadAndEdited)
{
    TempDir dir;
    dir.Write(L"u16.ini", Utf16(L"[S]\r\nk=\u00E9\u4E2D\r\nother=1\r\n"));
    const std::wstring file = dir.File(L"u16.ini");
    EXPECT_EQ(Get(file, L"s", L"K", L"d"), L"\u00E9\u4E2D");
    EXPECT_TRUE(Put(file, L"S", L"k", L"\u6587"));
    EXPECT_TRUE(Put(file, L"S", L"other", nullptr));
    EXPECT_EQ(dir.Read(L"u16.ini"), Utf16(L"[S]\r\nk=\u6587\r\n"));
}

// Wine reads and writes these as UTF-8, and so do we.
TEST(ProfileEncodingTest, Utf8FilesWithAMarkAreReadAndKeepTheirEncoding)
{
    TempDir dir;
    dir.Write(L"u8.ini", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\xE4\xB8\xAD\r\n");
    const std::wstring file = dir.File(L"u8.ini");
    EXPECT_EQ(Get(file, L"S", L"k", L"d"), L"\u00E9\u4E2D");
    EXPECT_TRUE(Put(file, L"S", L"k2", L"\u00E0"));
    EXPECT_EQ(dir.Read(L"u8.ini"), "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\xE4\xB8\xAD\r\nk2=\xC3\xA0\r\n");
}

// An ANSI file that cannot hold a new text is rewritten once as UTF-16LE,
// every line as it read before, and then takes the write.
struct ConversionCase
{
    const char* proves;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* after; // the file's text afterwards
};

TEST(ProfileEncodingTest, AnAnsiFileTakingTextBeyondItBecomesUtf16)
{
    const std::string ansi = "[Caf\xE9]\r\nprice=5\x80\r\n[S]\r\nk=v\r\n";
    const ConversionCase cases[] = {
        {"new value", L"S", L"k", L"\u4E2D",
         L"[Caf\u00E9]\r\nprice=5\u20AC\r\n[S]\r\nk=\u4E2D\r\n"},
        {"new key", L"CAF\u00E9", L"\u0416", L"1",
         L"[Caf\u00E9]\r\nprice=5\u20AC\r\n\u0416=1\r\n[S]\r\nk=v\r\n"},
        {"new section", L"\u0394", L"k", L"v",
         L"[Caf\u00E9]\r\nprice=5\u20AC\r\n[S]\r\nk=v\r\n[\u0394]\r\nk=v\r\n"},
    };
    for (const ConversionCase& c : cases)
    {
        SCOPED_TRACE(c.proves);
        TempDir dir;
        dir.Write(L"ansi.ini", ansi);
        const std::wstring file = dir.File(L"ansi.ini");
        ASSERT_TRUE(Put(file, c.section, c.key, c.value));
        EXPECT_EQ(dir.Read(L"ansi.ini"), Utf16(c.after));
        EXPECT_EQ(Get(file, c.section, c.key, L"d"), c.value);
        EXPECT_EQ(Get(file, L"Caf\u00E9", L"price", L"d"), L"5\u20AC");
        // Nothing is left beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                std::filesystem::directory_iterator()),
                  1);
    }

    // Removing a name the file cannot hold finds nothing and loses nothing.
    TempDir dir;
    dir.Write(L"ansi.ini", ansi);
    const std::wstring file = dir.File(L"ansi.ini");
    EXPECT_TRUE(Put(file, L"S", L"\u4E2D", nullptr));
    EXPECT_TRUE(Put(file, L"\u4E2D", nullptr, nullptr));
    EXPECT_EQ(Get(file, nullptr, nullptr, L"d"), List({L"Caf\u00E9", L"S"}));
    EXPECT_EQ(Get(file, L"S", L"k", L"d"), L"v");
}

TEST(ProfileEncodingTest, AnEmptyFileTakesTheEncodingTheTextNeeds)
{
    TempDir dir;
    dir.Write(L"empty.ini", "");
    EXPECT_TRUE(Put(dir.File(L"empty.ini"), L"S", L"k", L"\u4E2D"));
    EXPECT_EQ(dir.Read(L"empty.ini"), Utf16(L"[S]\r\nk=\u4E2D\r\n"));
}

#ifndef _WIN32
// Windows folds every letter; Wine only ASCII ones, so this runs here only.
TEST(ProfileReadTest, LettersBeyondAsciiMatchWithoutRegardToCase)
{
    TempDir dir;
    dir.Write(L"fold.ini", Utf16(L"[\u0394\u03B5\u03BB\u03C4\u03B1]\r\n\u00C9t\u00E9=1\r\n"
                                 L"[\u0416]\r\nk=2\r\n"));
    const std::wstring file = dir.File(L"fold.ini");
    EXPECT_EQ(Get(file, L"\u0394\u0395\u039B\u03A4\u0391", L"\u00E9T\u00C9", L"d"), L"1");
    EXPECT_EQ(Get(file, L"\u0436", L"K", L"d"), L"2");
    EXPECT_TRUE(Put(file, L"\u0436", L"K", L"3"));
    EXPECT_EQ(dir.Read(L"fold.ini"),
              Utf16(L"[\u0394\u03B5\u03BB\u03C4\u03B1]\r\n\u00C9t\u00E9=1\r\n"
                    L"[\u0416]\r\nk=3\r\n"));
}

// Windows reads a file without a mark as ANSI; here valid UTF-8 beyond ASCII
// is taken as UTF-8, the form hand-edited files have on these systems.
TEST(ProfileEncodingTest, Utf8WithoutAMarkIsReadAndKeptAsUtf8)
{
    TempDir dir;
    dir.Write(L"u8.ini", "[S]\nk=\xC3\xA9\xE4\xB8\xAD\n");
    const std::wstring file = dir.File(L"u8.ini");
    EXPECT_EQ(Get(file, L"S", L"k", L"d"), L"\u00E9\u4E2D");
    EXPECT_TRUE(Put(file, L"S", L"k2", L"\u0416"));
    EXPECT_EQ(dir.Read(L"u8.ini"), "[S]\nk=\xC3\xA9\xE4\xB8\xAD\nk2=\xD0\x96\r\n");
}

// Bytes that only look like UTF-8 (an encoded surrogate, an overlong form,
// a code point past U+10FFFF, a cut sequence) leave the file ANSI.
TEST(ProfileEncodingTest, NearlyUtf8IsReadAsAnsi)
{
    const struct
    {
        const char* bytes;
        const wchar_t* text;
    } rows[] = {{"\xED\xA0\x80", L"\u00ED\u00A0\u20AC"},
                {"\xC0\xAF", L"\u00C0\u00AF"},
                {"\xF4\x90\x80\x80", L"\u00F4\u0090\u20AC\u20AC"},
                {"\xC3", L"\u00C3"}};
    for (const auto& row : rows)
    {
        TempDir dir;
        dir.Write(L"a.ini", std::string("[S]\nk=") + row.bytes + "\n");
        EXPECT_EQ(Get(dir.File(L"a.ini"), L"S", L"k", L"d"), row.text) << row.bytes;
    }
}

TEST(ProfileEncodingTest, AnsiTextThatWouldReadBackAsUtf8TurnsTheFileIntoUtf16)
{
    TempDir dir;
    dir.Write(L"ansi.ini", "[S]\r\nk=v\r\n");
    // U+00C3 U+00A9 are the ANSI bytes C3 A9, which spell U+00E9 in UTF-8.
    EXPECT_TRUE(Put(dir.File(L"ansi.ini"), L"S", L"k", L"\u00C3\u00A9"));
    EXPECT_EQ(dir.Read(L"ansi.ini"), Utf16(L"[S]\r\nk=\u00C3\u00A9\r\n"));
}

// Windows would read the stray last byte into the next line it writes.
TEST(ProfileEncodingTest, AUtf16FileWithHalfAUnitAtTheEndIsNotWritten)
{
    TempDir dir;
    const std::string before = Utf16(L"[S]\r\nk=v\r\n") + "x";
    dir.Write(L"odd.ini", before);
    EXPECT_EQ(Get(dir.File(L"odd.ini"), L"S", L"k", L"d"), L"v");
    EXPECT_FALSE(Put(dir.File(L"odd.ini"), L"S", L"k2", L"v2"));
    EXPECT_EQ(dir.Read(L"odd.ini"), before);
}

// The rewrite replaces the file by renaming: never through a link.
TEST(ProfileEncodingTest, AnAnsiFileBehindALinkIsNotRewritten)
{
    TempDir dir;
    const std::string before = "[S]\r\nk=v\r\n";
    dir.Write(L"target.ini", before);
    std::filesystem::create_symlink(dir.Path() / "target.ini", dir.Path() / "link.ini");
    EXPECT_FALSE(Put(dir.File(L"link.ini"), L"S", L"k", L"\u4E2D"));
    EXPECT_EQ(dir.Read(L"target.ini"), before);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "link.ini"));
}
#endif

// ---------------------------------------------------------------------------
// Damaged files: reads never fail, and a write that succeeds reads back.

TEST(ProfileRobustnessTest, DamagedFilesAreReadAndWrittenSafely)
{
    using namespace std::string_literals;
    const std::string files[] = {
        "["s,
        "]=["s,
        "[S\r\n=\r\n==\r\n[]\r\n[[S]]]\r\n"s,
        "\r\r\n\n\r"s,
        "\xFF\xFE[\x00S\x00]"s,
        "\xFE\xFF\x00[\x00S\x00]\x00\r\x00\n\x00k\x00=\x00v"s,
        "\xEF\xBB\xBF\xC3(\xFF[S]\nk=\xE0\x80\n"s,
        "[S]\nk="s + std::string(5000, '"'),
    };
    int index = 0;
    for (const std::string& bytes : files)
    {
        SCOPED_TRACE(index);
        TempDir dir;
        const std::wstring name = L"bad" + std::to_wstring(index++) + L".ini";
        dir.Write(name, bytes);
        const std::wstring file = dir.File(name);
        Get(file, nullptr, nullptr, L"d");
        Get(file, L"S", nullptr, L"d");
        Get(file, L"S", L"k", L"d", 3);
        if (Put(file, L"S", L"new", L"value"))
            EXPECT_EQ(Get(file, L"S", L"new", L"d"), L"value");
        else
            EXPECT_EQ(dir.Read(name), bytes);
    }
}

} // namespace
