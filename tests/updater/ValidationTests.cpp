// Installation validation with a scripted registry: every outcome, the bit
// modes, the add-on read of the 32-bit product key and every failure of a
// level, checked on the exact entries, console text and verdict.
#include "PatchExecute.h"

#include "FakeOs.h"
#include "ValidationTexts.h"

#include <gtest/gtest.h>

#include <functional>

using testing_support::FakeOs;
using testing_support::Lower;
using testing_support::TempDir;
using namespace validation_texts;

namespace
{

using Arrange = std::function<void(FakeOs&)>;

// Layouts of the registry.
void Wow(FakeOs& os)
{
    os.registry[kWow];
}
void Product64(FakeOs& os)
{
    os.registry[kP64] = {{L"Version", L"14.0"}, {L"Installpath", kPath64}};
}
void Product32(FakeOs& os)
{
    os.registry[kP32] = {{L"Version", L"14.0"}, {L"Installpath", kPath32}};
}
void Uninstall64(FakeOs& os)
{
    os.registry[kU64] = {{L"DisplayIcon", kIcon64}};
}
void Uninstall32(FakeOs& os)
{
    os.registry[kU32] = {{L"DisplayIcon", kIcon32}};
}
void OpenError(FakeOs& os, const std::wstring& key, platform::Status status)
{
    os.openErrors[Lower(key)] = status;
}
void QueryError(FakeOs& os, const std::wstring& key, const std::wstring& value,
                platform::Status status)
{
    os.queryErrors[{Lower(key), Lower(value)}] = status;
}

// Mode 2 with the whole product in place, for the rows that vary one value.
void Installed32(FakeOs& os)
{
    Product32(os);
    Uninstall32(os);
}

struct ValidationCase
{
    const char* name;
    Arrange arrange;
    std::vector<std::wstring> entries; // those of the validation, in order
    std::wstring console;              // after the first line
    bool passed;
    bool wow6432Node;
    std::wstring version;
    std::wstring installPath;
    std::wstring displayIcon;
};

void PrintTo(const ValidationCase& c, std::ostream* out)
{
    *out << c.name;
}

class ValidationTest : public ::testing::TestWithParam<ValidationCase>
{
protected:
    ValidationTest() : m_scope(os) { os.moduleFileName = dir.File(L"Brantel.exe"); }

    FakeOs os;
    TempDir dir;

private:
    platform::ScopedOs m_scope;
};

TEST_P(ValidationTest, GivesTheExactEntriesConsoleAndVerdict)
{
    const ValidationCase& c = GetParam();
    c.arrange(os);

    CPatchExecute patch;

    std::wstring expected;
    for (const std::wstring& entry : c.entries)
        expected += entry + L"\n\n";
    EXPECT_EQ(W(patch.GetLogMessage()), expected + kDescriptorMissing);
    EXPECT_EQ(os.console, kValidationLine + c.console);
    EXPECT_EQ(patch.IsValidationPassed(), c.passed);
    EXPECT_EQ(patch.IsWow6432Node(), c.wow6432Node);
    EXPECT_EQ(W(patch.GetRegistryVersion()), c.version);
    EXPECT_EQ(W(patch.GetInstallPath()), c.installPath);
    EXPECT_EQ(W(patch.GetDisplayIcon()), c.displayIcon);
    EXPECT_EQ(os.openKeys, 0) << "every key opened must be closed";
    EXPECT_FALSE(patch.IsReadyToPatch());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ValidationTest,
    ::testing::Values(
        // The four outcomes, in both bit modes.
        ValidationCase{"mode1Passes",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           Uninstall64(os);
                           Installed32(os); // never read in Mode 1
                       },
                       {kMode1, kVersionDone, kThreeDone, kTwoDone},
                       L"",
                       true,
                       true,
                       L"14.0",
                       kPath64,
                       kIcon64},
        ValidationCase{"mode2Passes",
                       Installed32,
                       {kMode2, kVersionDone, kThreeDone, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       kPath32,
                       kIcon32},
        ValidationCase{"noProductNoWow6432Node",
                       [](FakeOs&) {},
                       {kMode2, kThreeOpen, Error(2), kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       L"",
                       L""},
        ValidationCase{"version1401IsRefusedSilentlyWithoutLevelTwo",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"14.0.1";
                       },
                       {kMode2, kVersionDone, kThreeDone, kRefusal},
                       L"",
                       false,
                       false,
                       L"14.0.1",
                       kPath32,
                       L""},
        ValidationCase{"versionWithTrailingBlankIsRefused",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"14.0 ";
                       },
                       {kMode2, kVersionDone, kThreeDone, kRefusal},
                       L"",
                       false,
                       false,
                       L"14.0 ",
                       kPath32,
                       L""},
        ValidationCase{"emptyDisplayIcon",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kU32][L"DisplayIcon"] = L"";
                       },
                       {kMode2, kVersionDone, kThreeDone, kTwoEmpty, kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        ValidationCase{"displayIconOf300Characters",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kU32][L"DisplayIcon"] = std::wstring(300, L'x');
                       },
                       {kMode2, kVersionDone, kThreeDone, kTwoQuery, Error(234), kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        ValidationCase{"uninstallKeyMissing",
                       Product32,
                       {kMode2, kVersionDone, kThreeDone, kTwoOpen, Error(2), kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        ValidationCase{"uninstallKeyCannotBeOpened",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           OpenError(os, kU32, 5);
                       },
                       {kMode2, kVersionDone, kThreeDone, kTwoOpen, Error(5), kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        ValidationCase{"displayIconMissingInItsKey",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kU32] = {{L"Other", L"x"}};
                       },
                       {kMode2, kVersionDone, kThreeDone, kTwoQuery, Error(2), kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        // A path that is not absolute would be taken from the folder the run
        // was started in: no usable value.
        ValidationCase{"unexpandedIconIsNoUsableValue",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kU32][L"DisplayIcon"] = kUnexpandedIcon;
                       },
                       {kMode2, kVersionDone, kThreeDone, kTwoEmpty, kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""},
        ValidationCase{"relativeInstallPathIsNoUsableValue",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32][L"Installpath"] = L"Quenvia";
                       },
                       {kMode2, kVersionDone, kThreeEmpty, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       L"",
                       kIcon32},

        // Level three is not part of the verdict.
        ValidationCase{"installPathMissingStillPasses",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32].erase(L"Installpath");
                       },
                       {kMode2, kVersionDone, kThreeQuery, Error(2), kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       L"",
                       kIcon32},
        ValidationCase{"installPathEmptyStillPasses",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32][L"Installpath"] = L"";
                       },
                       {kMode2, kVersionDone, kThreeEmpty, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       L"",
                       kIcon32},
        ValidationCase{"installPathTooLongStillPasses",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           QueryError(os, kP32, L"Installpath", 234);
                       },
                       {kMode2, kVersionDone, kThreeQuery, Error(234), kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       L"",
                       kIcon32},

        // The bit mode.
        ValidationCase{"bitModeOpenErrorReadsMode2Keys",
                       [](FakeOs& os)
                       {
                           OpenError(os, kWow, 5);
                           Product64(os);
                           Uninstall64(os);
                           Installed32(os);
                       },
                       {kModeError, Error(5), kVersionDone, kThreeDone, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       kPath32,
                       kIcon32},
        ValidationCase{"bitModeOpenErrorMakesNoAddOnRead",
                       [](FakeOs& os)
                       {
                           OpenError(os, kWow, 5);
                           Product64(os);
                           Uninstall64(os);
                       },
                       {kModeError, Error(5), kThreeOpen, Error(2), kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       L"",
                       L""},
        ValidationCase{
            "registryThatCannotBeReadAtAll",
            [](FakeOs& os)
            {
                Installed32(os);
                for (const std::wstring& key : {kWow, kP64, kP32, kU64, kU32})
                    OpenError(os, key, 1009);
            },
            {kModeError, Error(1009), kVersionOpen, Error(1009), kThreeOpen, Error(1009), kRefusal},
            kRefusalLine,
            false,
            false,
            L"",
            L"",
            L""},

        // The version level.
        ValidationCase{"versionEmpty",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"";
                       },
                       {kMode2, kVersionEmpty, kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       kPath32,
                       L""},
        ValidationCase{"versionMissingInMode2MakesNoEntry",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           os.registry[kP32].erase(L"Version");
                       },
                       {kMode2, kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       kPath32,
                       L""},
        ValidationCase{"versionQueryError",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           QueryError(os, kP32, L"Version", 5);
                       },
                       {kMode2, kVersionQuery, Error(5), kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       kPath32,
                       L""},
        ValidationCase{"versionTooLongInMode1MakesNoAddOnRead",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           Installed32(os);
                           QueryError(os, kP64, L"Version", 234);
                       },
                       {kMode1, kVersionQuery, Error(234), kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       kPath64,
                       L""},
        ValidationCase{"versionKeyCannotBeOpened",
                       [](FakeOs& os)
                       {
                           Installed32(os);
                           OpenError(os, kP32, 5);
                       },
                       {kMode2, kVersionOpen, Error(5), kThreeOpen, Error(5), kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       L"",
                       L""},
        ValidationCase{"mode1KeyCannotBeOpenedMakesNoAddOnRead",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           OpenError(os, kP64, 5);
                       },
                       {kMode1, kVersionOpen, Error(5), kThreeOpen, Error(5), kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       L"",
                       L""},
        ValidationCase{"mode1EmptyVersionMakesNoAddOnRead",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           os.registry[kP64][L"Version"] = L"";
                           Installed32(os);
                       },
                       {kMode1, kVersionEmpty, kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       kPath64,
                       L""},

        // The add-on read of the 32-bit product key on a Mode 1 machine.
        ValidationCase{"productOnlyAt32KeyMissingForm",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Uninstall64(os); // not read once the mode has switched
                           Installed32(os);
                       },
                       {kMode1, kAddOnKeyForm, kMode2, kThreeDone, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       kPath32,
                       kIcon32},
        ValidationCase{"versionOnlyAt32ValueMissingForm",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           os.registry[kP64].erase(L"Version");
                           Uninstall64(os);
                           Installed32(os);
                       },
                       {kMode1, kAddOnValueForm, kMode2, kThreeDone, kTwoDone},
                       L"",
                       true,
                       false,
                       L"14.0",
                       kPath32,
                       kIcon32},
        ValidationCase{"mode1MachineWithoutProduct",
                       Wow,
                       {kMode1, kAddOnOpen, Error(2), kThreeOpen, Error(2), kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       L"",
                       L""},
        ValidationCase{"addOnOpenError",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           OpenError(os, kP32, 5);
                       },
                       {kMode1, kAddOnOpen, Error(5), kThreeOpen, Error(2), kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       L"",
                       L""},
        ValidationCase{"addOnValueMissing",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           os.registry[kP32].erase(L"Version");
                       },
                       {kMode1, kAddOnQuery, Error(2), kThreeOpen, Error(2), kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       L"",
                       L""},
        ValidationCase{"addOnQueryErrorKeepsMode1",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           os.registry[kP64].erase(L"Version");
                           Installed32(os);
                           QueryError(os, kP32, L"Version", 234);
                       },
                       {kMode1, kAddOnQuery, Error(234), kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       true,
                       L"",
                       kPath64,
                       L""},
        ValidationCase{"addOnEmptyVersionSwitchesToMode2",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"";
                       },
                       {kMode1, kAddOnEmpty, kMode2, kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       kPath32,
                       L""},
        ValidationCase{"addOnEmptyVersionValueMissingForm",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Product64(os);
                           os.registry[kP64].erase(L"Version");
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"";
                       },
                       {kMode1, kAddOnEmpty, kMode2, kThreeDone, kRefusal},
                       kRefusalLine,
                       false,
                       false,
                       L"",
                       kPath32,
                       L""},
        ValidationCase{"addOnVersion1401",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           os.registry[kP32][L"Version"] = L"14.0.1";
                       },
                       {kMode1, kAddOnKeyForm, kMode2, kThreeDone, kRefusal},
                       L"",
                       false,
                       false,
                       L"14.0.1",
                       kPath32,
                       L""},
        ValidationCase{"addOnThenEmptyDisplayIcon",
                       [](FakeOs& os)
                       {
                           Wow(os);
                           Installed32(os);
                           os.registry[kU32][L"DisplayIcon"] = L"";
                       },
                       {kMode1, kAddOnKeyForm, kMode2, kThreeDone, kTwoEmpty, kWarning},
                       kLevelTwoLine,
                       false,
                       false,
                       L"14.0",
                       kPath32,
                       L""}),
    [](const auto& param) { return param.param.name; });

} // namespace

namespace
{

// DisplayIcon read as the shell reads an icon location: the file it names is
// kept, and a value that names none counts as empty.
struct IconCase
{
    std::string name;
    std::wstring value;
    std::wstring kept; // empty: refused as an empty value
};

void PrintTo(const IconCase& c, std::ostream* out)
{
    *out << c.name;
}

std::vector<IconCase> IconCases()
{
    std::vector<IconCase> cases;
    for (const IconForm& form : kIconForms)
        cases.push_back({form.name, form.value, kIcon32});
    const std::wstring comma = kRoot + L"Quenvia, 2" + kSep + L"Qvw.exe";
    cases.push_back({"commaInsideThePath", comma, comma});
    cases.push_back({"commaInsideTheQuotedPathAndNegativeIndex", L"\"" + comma + L"\",-3", comma});
    cases.push_back({"textAfterTheCommaIsNoIndex", kIcon32 + L",0x", kIcon32 + L",0x"});
    // Kept as the shell keeps it, the quote makes it a relative path.
    cases.push_back({"unbalancedQuoteIsNoAbsolutePath", L"\"" + kIcon32 + L",0", L""});
    cases.push_back({"onlyQuotes", L"\"\"", L""});
    cases.push_back({"onlyQuotesAndIndex", L"\"\",0", L""});
    cases.push_back({"fileWithoutFolder", L"Qvw.exe", L""});
    cases.push_back({"quotedRelativePath", L"\"Quenvia" + kSep + L"Qvw.exe\",0", L""});
    return cases;
}

class DisplayIconForms : public ::testing::TestWithParam<IconCase>
{
protected:
    DisplayIconForms() : m_scope(os) { os.moduleFileName = dir.File(L"Brantel.exe"); }

    FakeOs os;
    TempDir dir;

private:
    platform::ScopedOs m_scope;
};

TEST_P(DisplayIconForms, KeepTheFileTheValueNames)
{
    const IconCase& c = GetParam();
    Installed32(os);
    os.registry[kU32][L"DisplayIcon"] = c.value;

    CPatchExecute patch;

    const bool named = !c.kept.empty();
    const std::wstring entries = kMode2 + L"\n\n" + kVersionDone + L"\n\n" + kThreeDone + L"\n\n" +
                                 (named ? kTwoDone : kTwoEmpty + L"\n\n" + kWarning) + L"\n\n";
    EXPECT_EQ(W(patch.GetLogMessage()), entries + kDescriptorMissing);
    EXPECT_EQ(os.console, kValidationLine + (named ? L"" : kLevelTwoLine));
    EXPECT_EQ(patch.IsValidationPassed(), named);
    EXPECT_EQ(W(patch.GetDisplayIcon()), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Values, DisplayIconForms, ::testing::ValuesIn(IconCases()),
                         [](const auto& param) { return param.param.name; });

} // namespace
