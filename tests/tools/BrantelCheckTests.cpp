// brantel-check in process: the findings each descriptor must give, and a dry
// run that leaves the operating system under it untouched.
#include "CaseName.h"
#include "DescriptorCheck.h"
#include "DryRun.h"
#include "FakeOs.h"
#include "PeFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace
{

using brantel_check::Finding;
using brantel_check::Outcome;
using testing_support::FakeOs;
using testing_support::TempDir;
using testing_support::X;
using Severity = Finding::Severity;
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf16(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
        bytes += std::string(1, c) + '\0';
    return bytes;
}

enum class Installer
{
    None,
    Program,
    Text
};

struct Expected
{
    Severity severity;
    int line;
    std::string word;         // the message names what is wrong
    std::size_t logEntries;   // errors: how many entries Brantel logs for it
    std::string lastLogEntry; // errors: the entry that ends the descriptor's part
};

struct DescriptorCase
{
    const char* what;
    std::optional<std::string> text; // none: no file at all
    Installer installer;
    std::vector<Expected> findings;
};

const std::string kStandard = "PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
                              "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n";
const std::string kExit1 = "Patch update read process: key values not found.Exit code 1.";
const std::string kExit2 = "Patch updates read process: key values not found.Exit code 2.";
const std::string kExit3 = "Patch update read process: key values not found.Exit code 3.";
const std::string kExit4 = "Patch update read process: key values not found.Exit code 4.";
const std::string kExit5 = "Patch update read process: key file not found.Exit code 5.";
const std::string kExit6 = "Patch update read process: key file not found.Exit code 6.";

const DescriptorCase kDescriptorCases[] = {
    {"Sound", kStandard, Installer::Program, {}},
    {"InstallerNameInCapitalsWithCrLineEnds",
     "PatchInfo=P\rPatchFile=SETUP.EXE\rPatchVersion=14.0.0.5\rPreviousVersions=14.0.0.4\r",
     Installer::Program,
     {{Severity::Error, 2, "SETUP.EXE", 1, kExit2}}},
    {"KeyInAnotherLetterCase",
     "PatchInfo=P\nPatchFile=setup.exe\npatchVersion=14.0.0.5\nPreviousVersions=14.0.0.4\n",
     Installer::Program,
     {{Severity::Error, 3, "patchVersion", 1, kExit1}}},
    {"SavedAsUtf16",
     Utf16(kStandard),
     Installer::Program,
     {{Severity::Error, 1, "zero byte", 1, kExit1}}},
    {"Empty", std::string(), Installer::Program, {{Severity::Error, 0, "empty", 1, kExit1}}},
    {"PreviousVersionsBeforePatchVersion",
     "PatchInfo=P\nPatchFile=setup.exe\n\nPreviousVersions=14.0.0.4\nPatchVersion=14.0.0.5\n",
     Installer::Program,
     {{Severity::Error, 4, "before \"PatchVersion\" (line 5)", 1, kExit3}}},
    {"SectionLineInsteadOfPatchInfo",
     "[PatchInfo]\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\nPreviousVersions=14.0.0.4\n",
     Installer::Program,
     {{Severity::Error, 1, "no \"=\"", 1, kExit4}}},
    {"PreviousVersionsOnlyCommas",
     "PatchInfo=P\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\nPreviousVersions= , ,\n",
     Installer::Program,
     {{Severity::Error, 4, "no version", 1, kExit4}}},
    {"InstallerMissing",
     kStandard,
     Installer::None,
     {{Severity::Error, 2, "\"setup.exe\"", 1, kExit5}}},
    {"DescriptorMissing",
     std::nullopt,
     Installer::Program,
     {{Severity::Error, 0, "no such file", 1, kExit6}}},
    {"KeyGivenTwice",
     "PatchInfo=P\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\nPatchVersion = 14.0.0.6\n"
     "PreviousVersions=14.0.0.4\n",
     Installer::Program,
     {{Severity::Warning, 4, "line 3", 0, ""}}},
    {"PatchInfoOutsideAscii",
     "PatchInfo=Quenvia 14.0 Korrektur f\xFCr 5\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\n"
     "PreviousVersions=14.0.0.4\n",
     Installer::Program,
     {{Severity::Warning, 1, "ASCII", 0, ""}}},
    {"PatchVersionAmongPreviousVersions",
     "PatchInfo=P\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\nPreviousVersions=14.0.0.4, "
     "14.0.0.5\n",
     Installer::Program,
     {{Severity::Warning, 4, "14.0.0.5", 0, ""}}},
    {"InstallerNamedByAPathIsRefused",
     "PatchInfo=P\nPatchFile=./setup.exe\nPatchVersion=14.0.0.5\nPreviousVersions=14.0.0.4\n",
     Installer::Program,
     {{Severity::Error, 2, "not a plain file name", 1,
       "Patch update read process: key file not found.Exit code 5."}}},
    {"InstallerNotAWindowsProgram",
     kStandard,
     Installer::Text,
     {{Severity::Warning, 2, "not a Windows program", 0, ""}}},
};

class DescriptorFindings : public ::testing::TestWithParam<DescriptorCase>
{
};

TEST_P(DescriptorFindings, AreTheOnesBrantelMeets)
{
    const DescriptorCase& row = GetParam();
    const TempDir dir;
    const fs::path descriptor = dir.Path() / L"patch5.dat";
    if (row.text)
        WriteFile(descriptor, *row.text);
    if (row.installer == Installer::Program)
        testing_support::BuildPeImage().Write(dir.Path() / L"setup.exe");
    else if (row.installer == Installer::Text)
        WriteFile(dir.Path() / L"setup.exe", "@echo off\r\n");

    const brantel_check::DescriptorReport report =
        brantel_check::CheckDescriptor(platform::CurrentOs(), X(descriptor.wstring()));

    ASSERT_EQ(report.findings.size(), row.findings.size());
    bool bErrors = false;
    for (std::size_t i = 0; i < row.findings.size(); ++i)
    {
        const Finding& found = report.findings[i];
        const Expected& expected = row.findings[i];
        bErrors = bErrors || expected.severity == Severity::Error;
        EXPECT_EQ(found.severity, expected.severity) << i;
        EXPECT_EQ(found.line, expected.line) << found.message;
        EXPECT_NE(found.message.find(expected.word), std::string::npos) << found.message;
        EXPECT_EQ(found.log.size(), expected.logEntries) << found.message;
        if (!found.log.empty())
        {
            EXPECT_EQ(found.log.back(), expected.lastLogEntry);
        }
    }
    EXPECT_EQ(report.accepted, !bErrors);
}

TEST(UnreadableDescriptor, FolderInPlaceOfTheFileGivesTheReadFailure)
{
    const TempDir dir;
    fs::create_directory(dir.Path() / L"brantel.dat");
    const brantel_check::DescriptorReport report = brantel_check::CheckDescriptor(
        platform::CurrentOs(), X((dir.Path() / L"brantel.dat").wstring()));
    ASSERT_EQ(report.findings.size(), 1u);
    const Finding& found = report.findings[0];
    EXPECT_EQ(found.line, 0);
    EXPECT_NE(found.message.find("cannot read"), std::string::npos);
    // The framework's description of the failure, then the two entries that
    // follow every failed read.
    ASSERT_EQ(found.log.size(), 3u);
    EXPECT_EQ(found.log[1], "Read patch update installer  file failed.");
    EXPECT_EQ(found.log[2], kExit1);
}

INSTANTIATE_TEST_SUITE_P(Table, DescriptorFindings, ::testing::ValuesIn(kDescriptorCases),
                         tool_tests::CaseName);

// A machine in one state or another, seen by a dry run through a scripted Os
// that counts whatever would change it.
struct MachineCase
{
    const char* what;
    std::vector<std::wstring> processes;
    bool displayIcon;
    Outcome outcome;
};

const MachineCase kMachineCases[] = {
    {"ProductRunning", {L"Qvw.exe"}, true, Outcome::ApplicationRunning},
    {"DisplayIconMissingClearsTheConsole", {}, false, Outcome::ValidationFailed},
    {"PatchNeeded", {}, true, Outcome::WouldInstall},
};

class DryRunTouchesNothing : public ::testing::TestWithParam<MachineCase>
{
};

std::vector<fs::path> Listing(const fs::path& folder)
{
    std::vector<fs::path> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.push_back(entry.path());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(DryRunTouchesNothing, InAnyState)
{
    const MachineCase& row = GetParam();
    const TempDir dir;
    const fs::path patch = dir.Path() / L"patch";
    const fs::path product = dir.Path() / L"product";
    fs::create_directories(patch);
    fs::create_directories(product);
    WriteFile(patch / L"brantel.dat", kStandard);
    WriteFile(patch / L"setup.exe", "installer");
    WriteFile(product / L"Qvw.exe", "product");

    FakeOs os;
    os.processes = row.processes;
    const std::wstring productKey = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
    os.registry[productKey] = {{L"Version", L"14.0"}, {L"Installpath", product.wstring()}};
    if (row.displayIcon)
        os.registry[L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0"] = {
            {L"DisplayIcon", (product / L"Qvw.exe").wstring()}};
    os.fileVersions[(product / L"Qvw.exe").wstring()] = FakeOs::Version(14, 0, 0, 4);
    const std::vector<fs::path> before = Listing(dir.Path());

    const brantel_check::DryRunResult result =
        brantel_check::DryRun(os, X((patch / L"Brantel.exe").wstring()));

    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_FALSE(result.console.empty());
    EXPECT_EQ(os.console, L"");
    EXPECT_EQ(os.clears, 0);
    EXPECT_TRUE(os.removedMenuCommands.empty());
    EXPECT_TRUE(os.sleeps.empty());
    EXPECT_TRUE(os.starts.empty());
    EXPECT_EQ(os.waits, 0);
    EXPECT_EQ(os.waitCursorChanges, 0);
    EXPECT_EQ(Listing(dir.Path()), before) << "no log, no record";
    if (row.outcome == Outcome::WouldInstall)
    {
        EXPECT_EQ(result.installer, platform::ToUtf8(X((patch / L"setup.exe").wstring())));
        EXPECT_EQ(result.console.back(), "Please wait to complete...");
        EXPECT_EQ(result.log.back(), "Update details found: Exit code 2.");
    }
}

INSTANTIATE_TEST_SUITE_P(States, DryRunTouchesNothing, ::testing::ValuesIn(kMachineCases),
                         tool_tests::CaseName);

} // namespace
