// Installation validation through the real registry layer: an export file
// named by BRANTEL_REGISTRY on POSIX, HKEY_LOCAL_MACHINE of the Wine prefix
// on Windows. The rest of the system is scripted.
#include "PatchExecute.h"

#include "FakeOs.h"
#include "ValidationTexts.h"
#ifdef _WIN32
#include "TestRegistry.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using testing_support::TempDir;
using namespace validation_texts;

namespace
{

// The real registry; the console (captured) and the program's path (a
// folder without a descriptor) scripted, as everything else.
class RegistryOs : public testing_support::FakeOs
{
public:
    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        return platform::NativeOs().RegistryOpenKey(subKey, key);
    }
    platform::Status RegistryQueryString(platform::RegistryKey key, platform::XStringView valueName,
                                         platform::XString& text) override
    {
        return platform::NativeOs().RegistryQueryString(key, valueName, text);
    }
    void RegistryCloseKey(platform::RegistryKey key) override
    {
        platform::NativeOs().RegistryCloseKey(key);
    }
};

struct RegistryText
{
    std::wstring key;
    std::wstring name;
    std::wstring text;
    bool expandable;
};

enum class Store
{
    Keys,      // the values below, and Wow6432Node when the row asks for it
    NoFile,    // POSIX only: no export file at all
    Unreadable // POSIX only: a file that is not an export file
};

struct PlatformCase
{
    const char* name;
    Store store;
    bool wow6432Node; // the layout has "SOFTWARE\Wow6432Node" (always so on Windows)
    std::vector<RegistryText> values;
    std::vector<std::wstring> entries;
    std::wstring console;
    bool passed;
    bool finalWow6432Node;
    std::wstring version;
    std::wstring installPath;
    std::wstring displayIcon;
};

void PrintTo(const PlatformCase& c, std::ostream* out)
{
    *out << c.name;
}

std::vector<RegistryText> Full64()
{
    return {{kP64, L"Version", L"14.0", false},
            {kP64, L"Installpath", kPath64, false},
            {kU64, L"DisplayIcon", kIcon64, false}};
}

std::vector<RegistryText> Full32()
{
    return {{kP32, L"Version", L"14.0", false},
            {kP32, L"Installpath", kPath32, false},
            {kU32, L"DisplayIcon", kIcon32, false}};
}

std::vector<PlatformCase> Cases()
{
    std::vector<PlatformCase> cases = {
        {"mode1Passes",
         Store::Keys,
         true,
         Full64(),
         {kMode1, kVersionDone, kThreeDone, kTwoDone},
         L"",
         true,
         true,
         L"14.0",
         kPath64,
         kIcon64},
        {"keyAndValueNamesInOtherCase",
         Store::Keys,
         true,
         {{L"software\\wow6432node\\dorvane software inc.\\QUENVIA\\14.0", L"VERSION", L"14.0",
           false},
          {kP64, L"installpath", kPath64, false},
          {kU64, L"displayicon", kIcon64, false}},
         {kMode1, kVersionDone, kThreeDone, kTwoDone},
         L"",
         true,
         true,
         L"14.0",
         kPath64,
         kIcon64},
        {"productOnlyAt32OnMode1Machine",
         Store::Keys,
         true,
         Full32(),
         {kMode1, kAddOnKeyForm, kMode2, kThreeDone, kTwoDone},
         L"",
         true,
         false,
         L"14.0",
         kPath32,
         kIcon32},
        {"versionOnlyAt32OnMode1Machine",
         Store::Keys,
         true,
         {{kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", kIcon64, false},
          {kP32, L"Version", L"14.0", false},
          {kP32, L"Installpath", kPath32, false},
          {kU32, L"DisplayIcon", kIcon32, false}},
         {kMode1, kAddOnValueForm, kMode2, kThreeDone, kTwoDone},
         L"",
         true,
         false,
         L"14.0",
         kPath32,
         kIcon32},
        {"mode1MachineWithoutProduct",
         Store::Keys,
         true,
         {},
         {kMode1, kAddOnOpen, Error(2), kThreeOpen, Error(2), kRefusal},
         kRefusalLine,
         false,
         true,
         L"",
         L"",
         L""},
        {"expandableVersionIsRawTextAndUnexpandedIconNoValue",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0", true},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", kUnexpandedIcon, true}},
         {kMode1, kVersionDone, kThreeDone, kTwoEmpty, kWarning},
         kLevelTwoLine,
         false,
         true,
         L"14.0",
         kPath64,
         L""},
        {"versionWithTrailingBlank",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0 ", false},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", kIcon64, false}},
         {kMode1, kVersionDone, kThreeDone, kRefusal},
         L"",
         false,
         true,
         L"14.0 ",
         kPath64,
         L""},
        {"displayIconQuotedWithIconIndexNamesItsFile",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0", false},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", L"\"" + kIcon64 + L"\",0", false}},
         {kMode1, kVersionDone, kThreeDone, kTwoDone},
         L"",
         true,
         true,
         L"14.0",
         kPath64,
         kIcon64},
        {"displayIconOf255CharactersFits",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0", false},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", kRoot + std::wstring(255 - kRoot.size(), L'i'), false}},
         {kMode1, kVersionDone, kThreeDone, kTwoDone},
         L"",
         true,
         true,
         L"14.0",
         kPath64,
         kRoot + std::wstring(255 - kRoot.size(), L'i')},
        {"displayIconOf300Characters",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0", false},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", std::wstring(300, L'i'), false}},
         {kMode1, kVersionDone, kThreeDone, kTwoQuery, Error(234), kWarning},
         kLevelTwoLine,
         false,
         true,
         L"14.0",
         kPath64,
         L""},
        {"emptyDisplayIcon",
         Store::Keys,
         true,
         {{kP64, L"Version", L"14.0", false},
          {kP64, L"Installpath", kPath64, false},
          {kU64, L"DisplayIcon", L"", false}},
         {kMode1, kVersionDone, kThreeDone, kTwoEmpty, kWarning},
         kLevelTwoLine,
         false,
         true,
         L"14.0",
         kPath64,
         L""},
    };
#ifndef _WIN32
    // Layouts that a 64-bit Windows registry cannot have.
    const std::vector<PlatformCase> posixOnly = {
        {"mode2Passes",
         Store::Keys,
         false,
         Full32(),
         {kMode2, kVersionDone, kThreeDone, kTwoDone},
         L"",
         true,
         false,
         L"14.0",
         kPath32,
         kIcon32},
        {"noProductNoWow6432Node",
         Store::Keys,
         false,
         {{L"SOFTWARE\\Other", L"Version", L"14.0", false}},
         {kMode2, kThreeOpen, Error(2), kRefusal},
         kRefusalLine,
         false,
         false,
         L"",
         L"",
         L""},
        {"noRegistryFile",
         Store::NoFile,
         false,
         {},
         {kMode2, kThreeOpen, Error(2), kRefusal},
         kRefusalLine,
         false,
         false,
         L"",
         L"",
         L""},
        {"registryFileThatCannotBeParsed",
         Store::Unreadable,
         false,
         {},
         {kModeError, Error(1009), kVersionOpen, Error(1009), kThreeOpen, Error(1009), kRefusal},
         kRefusalLine,
         false,
         false,
         L"",
         L"",
         L""},
    };
    cases.insert(cases.end(), posixOnly.begin(), posixOnly.end());
#endif
    return cases;
}

#ifndef _WIN32

std::string Utf8(const std::wstring& text)
{
    return platform::ToUtf8(platform::FromWide(text.c_str(), text.size()));
}

std::string Escaped(const std::wstring& text)
{
    std::string out;
    for (const char c : Utf8(text))
    {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

// REG_EXPAND_SZ as the registry editor exports it: hex(2) bytes of UTF-16LE.
std::string ExpandableData(const std::wstring& text)
{
    static const char* const digits = "0123456789abcdef";
    platform::XString units = platform::FromWide(text.c_str(), text.size());
    units.push_back(0);
    std::string out = "hex(2):";
    std::size_t count = 0;
    for (const auto unit : units)
    {
        for (const unsigned byte : {unit & 0xFFu, (unit >> 8) & 0xFFu})
        {
            if (count > 0)
                out += (count % 20 == 0) ? ",\\\r\n  " : ",";
            out += digits[byte >> 4];
            out += digits[byte & 15];
            ++count;
        }
    }
    return out;
}

// The layout as a UTF-16LE export file, one section per value.
std::string ExportFile(const PlatformCase& c)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    if (c.wow6432Node)
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node]\r\n\r\n";
    for (const RegistryText& value : c.values)
    {
        text +=
            "[HKEY_LOCAL_MACHINE\\" + Utf8(value.key) + "]\r\n\"" + Escaped(value.name) + "\"=" +
            (value.expandable ? ExpandableData(value.text) : "\"" + Escaped(value.text) + "\"") +
            "\r\n\r\n";
    }
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : platform::FromUtf8(text))
    {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

#endif

class ValidationPlatformTest : public ::testing::TestWithParam<PlatformCase>
{
protected:
    ValidationPlatformTest() : m_scope(os) { os.moduleFileName = dir.File(L"Brantel.exe"); }

    void SetUp() override
    {
#ifdef _WIN32
        // The keys are the product's own: never touch a real installation.
        if (!testing_support::RunningUnderWine())
        {
            for (const std::wstring& key : kRoots)
            {
                if (testing_support::RegistryKeyExists(key))
                    GTEST_SKIP() << "the product's keys exist on this machine";
            }
        }
        RemoveKeys();
        for (const RegistryText& value : GetParam().values)
            ASSERT_TRUE(testing_support::RegistrySetText(value.key, value.name, value.text,
                                                         value.expandable));
#else
        const char* previous = std::getenv("BRANTEL_REGISTRY");
        m_hadPrevious = previous != nullptr;
        if (m_hadPrevious)
            m_previous = previous;
        const std::string path = (dir.Path() / "registry.reg").string();
        setenv("BRANTEL_REGISTRY", path.c_str(), 1);
        if (GetParam().store == Store::Keys)
            dir.Write(L"registry.reg", ExportFile(GetParam()));
        else if (GetParam().store == Store::Unreadable)
            dir.Write(L"registry.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n");
#endif
    }

    void TearDown() override
    {
#ifdef _WIN32
        if (!IsSkipped())
            RemoveKeys();
#else
        if (m_hadPrevious)
            setenv("BRANTEL_REGISTRY", m_previous.c_str(), 1);
        else
            unsetenv("BRANTEL_REGISTRY");
#endif
    }

    RegistryOs os;
    TempDir dir;

private:
#ifdef _WIN32
    const std::vector<std::wstring> kRoots = {L"SOFTWARE\\DORVANE Software Inc.",
                                              L"SOFTWARE\\Wow6432Node\\DORVANE Software Inc.", kU32,
                                              kU64};

    void RemoveKeys()
    {
        for (const std::wstring& key : kRoots)
            ASSERT_TRUE(testing_support::RegistryDeleteTree(key));
    }
#else
    bool m_hadPrevious = false;
    std::string m_previous;
#endif
    platform::ScopedOs m_scope;
};

TEST_P(ValidationPlatformTest, GivesTheExactEntriesConsoleAndVerdict)
{
    const PlatformCase& c = GetParam();

    CPatchExecute patch;

    std::wstring expected;
    for (const std::wstring& entry : c.entries)
        expected += entry + L"\n\n";
    EXPECT_EQ(W(patch.GetLogMessage()), expected + kDescriptorMissing);
    EXPECT_EQ(os.console, kValidationLine + c.console);
    EXPECT_EQ(patch.IsValidationPassed(), c.passed);
    EXPECT_EQ(patch.IsWow6432Node(), c.finalWow6432Node);
    EXPECT_EQ(W(patch.GetRegistryVersion()), c.version);
    EXPECT_EQ(W(patch.GetInstallPath()), c.installPath);
    EXPECT_EQ(W(patch.GetDisplayIcon()), c.displayIcon);
}

INSTANTIATE_TEST_SUITE_P(Registry, ValidationPlatformTest, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return param.param.name; });

} // namespace
