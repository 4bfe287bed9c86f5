// The installed-updates decision and the patch execution, with a scripted
// operating system: every row of both decision tables.
#include "PatchExecute.h"

#include "FakeOs.h"

#include <gtest/gtest.h>

using testing_support::FakeOs;
using testing_support::TempDir;

namespace
{

const std::wstring kSep(1, static_cast<wchar_t>(platform::kPathSeparator));
const std::wstring kAlreadyApplied =
    L"Patch update status: This patch update has been already applied.\n";
const std::wstring kValidation = L"Patch update status: Validation in-progress...\n";
const std::wstring kInProgress =
    L"Patch update status: Installation in-progress.\nPlease wait to complete...\n";
const std::wstring kPleaseWait = L"Please wait to close the application...\n";

// A validated installation at 14.0.0.4 and a valid descriptor for 14.0.0.5.
class PatchRunTest : public ::testing::Test
{
protected:
    PatchRunTest() : m_scope(os)
    {
        std::filesystem::create_directories(dir.Path() / L"patch");
        std::filesystem::create_directories(dir.Path() / L"product");
        patchFolder = dir.Wide() + kSep + L"patch";
        productFolder = dir.Wide() + kSep + L"product";
        product = productFolder + kSep + L"Qvw.exe";
        record = productFolder + kSep + L"installedupdates.dat";
        os.moduleFileName = patchFolder + kSep + L"Brantel.exe";
        const std::wstring key = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
        os.registry[key] = {{L"Version", L"14.0"}, {L"Installpath", productFolder}};
        os.registry[L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0"] = {
            {L"DisplayIcon", product}};
        Descriptor("PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
                   "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n");
        dir.Write(L"patch" + kSep + L"setup.exe", "installer");
        dir.Write(L"product" + kSep + L"Qvw.exe", "product");
        InstalledVersion(14, 0, 0, 4);
    }

    void Descriptor(const std::string& text) { dir.Write(L"patch" + kSep + L"brantel.dat", text); }
    void InstalledVersion(unsigned a, unsigned b, unsigned c, unsigned d)
    {
        os.fileVersions[product] = FakeOs::Version(a, b, c, d);
    }
    void Record(const std::string& text)
    {
        dir.Write(L"product" + kSep + L"installedupdates.dat", text);
    }

    // The entries the run adds after construction.
    static std::wstring Added(const CPatchExecute& patch, const CString& before)
    {
        return std::wstring(patch.GetLogMessage().Mid(before.GetLength()).GetString());
    }

    FakeOs os;
    TempDir dir;
    std::wstring patchFolder, productFolder, product, record;

private:
    platform::ScopedOs m_scope;
};

TEST_F(PatchRunTest, ConstructionValidatesAndReadsTheDescriptor)
{
    CPatchExecute patch;
    EXPECT_TRUE(patch.IsReadyToPatch());
    EXPECT_EQ(os.console, kValidation);
    EXPECT_EQ(patch.GetPatchRevision(), CString(L"5"));
    EXPECT_EQ(patch.GetUpdateFolder(), CString(patchFolder.c_str()));
}

struct DecisionCase
{
    const char* name;
    unsigned installed[4];
    const char* record; // null: no record
    std::wstring entries;
    std::wstring console;
    bool required;
};

void PrintTo(const DecisionCase& c, std::ostream* out)
{
    *out << c.name;
}

class DecisionTest : public PatchRunTest, public ::testing::WithParamInterface<DecisionCase>
{
};

TEST_P(DecisionTest, DecidesAsTheTableSays)
{
    const DecisionCase& c = GetParam();
    InstalledVersion(c.installed[0], c.installed[1], c.installed[2], c.installed[3]);
    Descriptor("PatchInfo=Quenvia 14.0 Patch 5\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\n"
               "PreviousVersions=14.0.0.3, 14.0.0.4, 14.0.1.5, 14.0.2.9, 14.0.0.4A\n");
    if (c.record != nullptr)
        Record(c.record);
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    os.console.clear();
    patch.CheckInstalledUpdates();
    EXPECT_EQ(Added(patch, before), c.entries);
    EXPECT_EQ(os.console, c.console);
    EXPECT_EQ(patch.IsPatchRequired(), c.required);
}

const std::wstring kRecordRead = L"Installer update file exists in local.\n\n"
                                 L"Read local installer update file completed.\n\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, DecisionTest,
    ::testing::Values(
        DecisionCase{"installedIsThePatchVersion",
                     {14, 0, 0, 5},
                     "Quenvia 14.0 Patch 4",
                     L"Update details not found: Exit code 3.\n\nThis patch update has been "
                     L"already applied.\n\n",
                     kAlreadyApplied,
                     false},
        DecisionCase{"notAPreviousVersion",
                     {14, 0, 0, 2},
                     nullptr,
                     L"This patch is not applicable or not required for the installed quenvia "
                     L"application.\n\n",
                     L"Patch update status: This patch is not applicable or not required for the "
                     L"installed quenvia application.\n",
                     false},
        DecisionCase{"recordNamesThePatch",
                     {14, 0, 0, 4},
                     "Quenvia 14.0 Patch 5",
                     kRecordRead + L"Update details not found.Exit code 1.\n\nPatch update status: "
                                   L"This patch update has been already applied.\n\n",
                     kAlreadyApplied,
                     false},
        DecisionCase{"recordOfAnEarlierPatch",
                     {14, 0, 0, 4},
                     "Quenvia 14.0 Patch 4",
                     kRecordRead + L"Update details found: Exit code 1.\n\n",
                     L"",
                     true},
        DecisionCase{"recordWithoutProductNameAndRevisionAtPatch",
                     {14, 0, 1, 5},
                     "something else",
                     kRecordRead + L"Update details not found.Exit code 1.\n\nPatch update status: "
                                   L"This patch update has been already applied.\n\n",
                     kAlreadyApplied,
                     false},
        DecisionCase{"productNamedTwiceRevisionBelow",
                     {14, 0, 0, 4},
                     "Quenvia 14.0 Patch 5 Quenvia",
                     kRecordRead + L"Update details found: Exit code 1.\n\n",
                     L"",
                     true},
        DecisionCase{"productNamedTwiceRevisionAbove",
                     {14, 0, 2, 9},
                     "Quenvia Quenvia",
                     kRecordRead + L"Update details not found.Exit code 1.\n\nPatch update status: "
                                   L"This patch update has been already applied.\n\n",
                     kAlreadyApplied,
                     false},
        DecisionCase{"noRecordRevisionBelow",
                     {14, 0, 0, 4},
                     nullptr,
                     L"Update details found: Exit code 2.\n\n",
                     L"",
                     true},
        DecisionCase{"noRecordRevisionAtPatch",
                     {14, 0, 1, 5},
                     nullptr,
                     L"Update details not found: Exit code 2.\n\nPatch update status: This patch "
                     L"update has been already applied.\n\n",
                     kAlreadyApplied,
                     false}),
    [](const auto& param) { return param.param.name; });

TEST_F(PatchRunTest, VersionDifferingOnlyInCaseIsNotAPreviousVersion)
{
    Descriptor(
        "PatchInfo=P\nPatchFile=setup.exe\nPatchVersion=14.0.0.5\nPreviousVersions=14.0.0.4A\n");
    InstalledVersion(14, 0, 0, 4);
    CPatchExecute patch;
    patch.CheckInstalledUpdates();
    EXPECT_FALSE(patch.IsPatchRequired());
}

struct RecordCase
{
    const char* record;
    const char* patchInfo;
    int installed;
    int patchRevision;
    bool recorded;
};

TEST(IsUpdateRecordedTest, ProductNameCountDecidesWhatIsSearched)
{
    const RecordCase cases[] = {
        {"Quenvia 14.0 Patch 5", "Quenvia 14.0 Patch 5", 1, 9, true},
        {"Patch 5", "Patch 5", 1, 9, true},
        {"other text", "Patch 5", 9, 9, true},
        {"other text", "Patch 5", 8, 9, false},
        {"", "Patch 5", 8, 9, false},
        {"Quenvia Patch 5 Quenvia", "Patch 5", 8, 9, false},
        {"Quenvia Patch 5 Quenvia", "Patch 5", 9, 9, true},
        {"QuenviaQuenvia", "x", -1, 0, false},
        {"quenvia quenvia Patch 5", "Patch 5", 0, 9, true},
    };
    for (const RecordCase& c : cases)
        EXPECT_EQ(IsUpdateRecorded(c.record, c.patchInfo, c.installed, c.patchRevision), c.recorded)
            << c.record << " / " << c.patchInfo << " / " << c.installed << " / " << c.patchRevision;
}

TEST_F(PatchRunTest, SuccessfulInstallerIsJudgedByTheNewVersionAndRecorded)
{
    Record("Quenvia 14.0 Patch 3 and more");
    os.onStart = [this](const std::wstring&, const std::wstring&)
    {
        InstalledVersion(14, 0, 0, 5);
        return platform::kSuccess;
    };
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    os.console.clear();
    patch.ExecutePatch();
    EXPECT_EQ(os.starts.size(), 1u);
    EXPECT_EQ(os.starts[0].first, patchFolder + kSep + L"setup.exe") << "started by its full path";
    EXPECT_EQ(os.starts[0].second, patchFolder);
    EXPECT_EQ(os.waits, 1);
    EXPECT_EQ(Added(patch, before), L"Execute patch process: Completed successfully.\n\n");
    EXPECT_EQ(os.console,
              kInProgress + L"Patch update status: Completed successfully.\n" + kPleaseWait);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000}));
    EXPECT_EQ(dir.Read(L"product" + kSep + L"installedupdates.dat"), "Quenvia 14.0 Patch 5");
    EXPECT_EQ(patch.GetVersionAfterPatch(), CString(L"14.0.0.5"));
    EXPECT_EQ(os.waitCursorChanges, 2);
}

TEST_F(PatchRunTest, UnchangedVersionIsAMismatchAndNothingIsRecorded)
{
    os.onStart = [](const std::wstring&, const std::wstring&) { return platform::kSuccess; };
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    os.console.clear();
    patch.ExecutePatch();
    EXPECT_EQ(Added(patch, before), L"Execute patch process : Not completed successfully due to "
                                    L"version information mismatch. \n\n");
    EXPECT_EQ(os.console, kInProgress +
                              L"Patch update status: Update failed due to version mismatch, "
                              L"please check the log for complete details.\n" +
                              kPleaseWait);
    EXPECT_FALSE(dir.Exists(L"product" + kSep + L"installedupdates.dat"));
}

TEST_F(PatchRunTest, ProductGoneAfterTheInstallerCountsAsCancelled)
{
    os.onStart = [this](const std::wstring&, const std::wstring&)
    {
        std::filesystem::remove(product);
        return platform::kSuccess;
    };
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    os.console.clear();
    patch.ExecutePatch();
    EXPECT_EQ(Added(patch, before), L"Execute patch process : Not completed successfully (might "
                                    L"be cancelled during updates). Please try again. \n\n");
    EXPECT_EQ(
        os.console,
        kInProgress +
            L"Patch update status: Update failed, please check the log for complete details.\n" +
            kPleaseWait);
}

TEST_F(PatchRunTest, RecordThatCannotBeWrittenReportsTheUpdateFailed)
{
    std::filesystem::create_directory(record);
    os.onStart = [this](const std::wstring&, const std::wstring&)
    {
        InstalledVersion(14, 0, 0, 5);
        return platform::kSuccess;
    };
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    os.console.clear();
    patch.ExecutePatch();
    EXPECT_EQ(Added(patch, before), L"Installedupdates failed.Access to " + record +
                                        L" was denied.\n\nExecute patch process: Not completed "
                                        L"successfully.\n\n");
    EXPECT_EQ(
        os.console,
        kInProgress +
            L"Patch update status: Update failed, please check the log for complete details.\n" +
            kPleaseWait);
}

// A folder that others may change starts nothing: the installer would run
// with our rights, and so would any DLL planted beside it.
TEST_F(PatchRunTest, UntrustedPatchFolderStartsNoInstaller)
{
    const std::wstring above = dir.Wide();
    const struct
    {
        std::wstring folder;
        const char* reason;
    } rows[] = {{patchFolder, "may be changed by other accounts"},
                {above, "is owned by another account"}};
    for (const auto& row : rows)
    {
        platform::FolderTrust untrusted;
        untrusted.folder = testing_support::X(row.folder);
        untrusted.reason = platform::Ascii(row.reason);
        os.untrustedFolders = {{patchFolder, untrusted}};
        os.starts.clear();
        os.sleeps.clear();
        os.waits = 0;
        os.onStart = [](const std::wstring&, const std::wstring&) { return platform::kSuccess; };
        CPatchExecute patch;
        const CString before = patch.GetLogMessage();
        os.console.clear();
        patch.ExecutePatch();
        EXPECT_TRUE(os.starts.empty()) << row.reason;
        EXPECT_EQ(os.trustChecks.back(), patchFolder);
        EXPECT_EQ(Added(patch, before),
                  L"Execute patch process error: The installer was not started, because the "
                  L"folder " +
                      row.folder + L" " +
                      std::wstring(row.reason, row.reason + strlen(row.reason)) +
                      L". Only administrators may be able to change the patch folder and the "
                      L"folders above it.\n\n");
        EXPECT_EQ(os.console, kInProgress +
                                  L"Patch update status: Update failed, please check the log for "
                                  L"complete details.\n" +
                                  kPleaseWait);
        EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000}));
        EXPECT_FALSE(dir.Exists(L"product" + kSep + L"installedupdates.dat"));
        EXPECT_EQ(os.waitCursorChanges % 2, 0) << "the wait cursor is put back";
    }
}

TEST_F(PatchRunTest, StartErrorsAreReportedByEntryOnly)
{
    const std::pair<platform::Status, std::wstring> rows[] = {
        {2, L"Execute patch process error: The specified file was not found."},
        {3, L"Execute patch process error: The specified path was not found."},
        {1156, L"Execute patch process error: The Dynamic Data Exchange (DDE) transaction failed."},
        {1155, L"Execute patch process error: There is no application associated with the "
               L"specified file name extension."},
        {5, L"Execute patch process error: Access to the specified file is denied."},
        {1157, L"Execute patch process error: One of the library files necessary to run the "
               L"application can't be found."},
        {1223, L"Execute patch process error: The function prompted the user for additional "
               L"information, but the user canceled the request."},
        {8, L"Execute patch process error: There is not enough memory to perform the specified "
            L"action."},
        {32, L"Execute patch process error: A sharing violation occurred."},
        {87, L"Execute patch process: error code 87"},
        {193, L"Execute patch process: error code 193"},
        {-1, L"Execute patch process: error code 4294967295"},
    };
    for (const auto& row : rows)
    {
        os.onStart = [&row](const std::wstring&, const std::wstring&) { return row.first; };
        os.console.clear();
        os.sleeps.clear();
        os.waits = 0;
        CPatchExecute patch;
        const CString before = patch.GetLogMessage();
        os.console.clear();
        patch.ExecutePatch();
        EXPECT_EQ(Added(patch, before), row.second + L"\n\n") << row.first;
        EXPECT_EQ(os.console, kInProgress) << row.first;
        EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{10000})) << row.first;
        EXPECT_EQ(os.waits, 1) << "the wait is made whatever the start gave";
    }
}

TEST_F(PatchRunTest, RunWithoutNeedSaysGoodbyeAndWaitsSevenSeconds)
{
    InstalledVersion(14, 0, 0, 5);
    CPatchExecute patch;
    os.console.clear();
    patch.Run();
    EXPECT_EQ(os.console, kAlreadyApplied + kPleaseWait);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{7000}));
    EXPECT_TRUE(os.starts.empty());
}

} // namespace
