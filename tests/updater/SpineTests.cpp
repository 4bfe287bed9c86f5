// The run sequence, the running-application guard and the update log.
#include "Brantel.h"
#include "FilterProcess.h"
#include "PatchExecute.h"
#include "UpdateLog.h"

#include "FakeOs.h"

#include <gtest/gtest.h>

#include <new>

using testing_support::FakeOs;
using testing_support::TempDir;

namespace
{

const std::wstring kGuardLine =
    L"Patch update status: Please check and close Quenvia/Excel application,if open.\n";
const std::wstring kValidationLine = L"Patch update status: Validation in-progress...\n";

std::string Rule()
{
    return std::string(89, '=') + "\r\n\r\n";
}

// The log as it must stand on disk for a run message (8-bit, CR LF).
std::string ExpectedLog(const std::string& message)
{
    std::string crlf;
    for (char c : message)
    {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return Rule() + "Quenvia 14.0 Patch Update Utility Version : 1.0.5\r\n\r\n" +
           "Quenvia 14.0 Patch Update Utility Date/Time : Sunday 21:45, December 06, 2026\r\n\r\n" +
           Rule() + crlf +
           "=========== (Quenvia 14.0 Patch Update Utility 1.0.5) Patch Update : End  "
           "=============";
}

class SpineTest : public ::testing::Test
{
protected:
    SpineTest() : m_scope(os) { os.moduleFileName = dir.File(L"Brantel.exe"); }

    FakeOs os;
    TempDir dir;

private:
    platform::ScopedOs m_scope;
};

struct GuardCase
{
    const char* name;
    std::vector<std::wstring> processes;
    bool open;
};

void PrintTo(const GuardCase& c, std::ostream* out)
{
    *out << c.name;
}

class GuardTest : public SpineTest, public ::testing::WithParamInterface<GuardCase>
{
};

TEST_P(GuardTest, MatchesWholeNamesWithoutRegardToCase)
{
    os.processes = GetParam().processes;
    CFilterProcess guard;
    EXPECT_EQ(guard.IsApplicationOpen(), GetParam().open);
    if (GetParam().open)
    {
        EXPECT_EQ(os.console, kGuardLine);
        EXPECT_EQ(std::wstring(guard.GetStatusMessage().GetString()), kGuardLine);
    }
    else
    {
        EXPECT_EQ(os.console, L"");
        EXPECT_TRUE(guard.GetStatusMessage().IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Processes, GuardTest,
    ::testing::Values(GuardCase{"none", {L"explorer.exe", L"svchost.exe"}, false},
                      GuardCase{"product", {L"explorer.exe", L"Qvw.exe"}, true},
                      GuardCase{"productOtherCase", {L"QVW.EXE"}, true},
                      GuardCase{"excelOtherCase", {L"EXCEL.EXE"}, true},
                      GuardCase{"both", {L"qvw.exe", L"Excel.exe", L"excel.exe"}, true},
                      GuardCase{"prefix", {L"MyQvw.exe"}, false},
                      GuardCase{"suffix", {L"excel.exe.bak"}, false},
                      GuardCase{"withoutExtension", {L"excel", L"Qvw"}, false},
                      GuardCase{"emptyList", {}, false}),
    [](const auto& param) { return param.param.name; });

TEST_F(SpineTest, GuardFindsNothingWhenNoProcessListCanBeHad)
{
    os.processListFails = true;
    CFilterProcess guard;
    EXPECT_FALSE(guard.FindRunningApplications());
    EXPECT_FALSE(guard.IsApplicationOpen());
    EXPECT_EQ(os.console, L"");
}

TEST_F(SpineTest, RunningApplicationEndsTheRunAfterTheLogAndSevenSeconds)
{
    os.processes = {L"Qvw.exe", L"EXCEL.EXE"};
    wchar_t* argv[] = {nullptr};
    EXPECT_EQ(BrantelMain(0, argv), 0);
    EXPECT_EQ(os.console, kGuardLine);
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{7000}));
    EXPECT_EQ(os.registryCalls, 0) << "nothing may be read while an application is open";
    EXPECT_EQ(dir.Read(L"Log_QVW_14_Brantel.txt"),
              ExpectedLog("Patch update status: Please check and close Quenvia/Excel "
                          "application,if open.\n"));
    EXPECT_EQ(os.removedMenuCommands, (std::vector<unsigned>{0xF060, 0xF020, 0xF030}));
}

TEST_F(SpineTest, MissingModuleHandleIsFatalWithoutALog)
{
    os.moduleHandleMissing = true;
    wchar_t* argv[] = {nullptr};
    EXPECT_EQ(BrantelMain(0, argv), 1);
    EXPECT_EQ(os.console, L"Fatal Error: GetModuleHandle failed\n");
    EXPECT_TRUE(os.sleeps.empty());
    EXPECT_FALSE(dir.Exists(L"Log_QVW_14_Brantel.txt"));
}

TEST_F(SpineTest, FrameworkFailureIsFatalWithoutALog)
{
    os.frameworkFails = true;
    wchar_t* argv[] = {nullptr};
    EXPECT_EQ(BrantelMain(0, argv), 1);
    EXPECT_EQ(os.console, L"Fatal Error: MFC initialization failed\n");
    EXPECT_TRUE(os.sleeps.empty());
    EXPECT_FALSE(dir.Exists(L"Log_QVW_14_Brantel.txt"));
}

TEST_F(SpineTest, FailedValidationStillReadsTheDescriptorAndWaits)
{
    // No registry at all and no descriptor beside the program.
    wchar_t* argv[] = {nullptr};
    EXPECT_EQ(BrantelMain(0, argv), 0);
    const std::wstring refusal =
        L"This patch can't be applied. Quenvia 14.0 application is not installed in this "
        L"machine.";
    EXPECT_EQ(os.console, kValidationLine + refusal + L"\n");
    EXPECT_EQ(os.sleeps, (std::vector<unsigned long>{7000}));
    EXPECT_EQ(dir.Read(L"Log_QVW_14_Brantel.txt"),
              ExpectedLog("Registry bit support Mode 2: Verified successfully.\n\n"
                          "Client side update check, level three failed.\n\n"
                          "Error :2\n\n"
                          "This patch can't be applied. Quenvia 14.0 application is not installed "
                          "in this machine.\n\n"
                          "Patch update read process: key file not found.Exit code 6.\n\n"));
}

// An operating system that runs out of memory at one call.
class ExhaustedOs : public FakeOs
{
public:
    bool bLate = false; // at the closing wait rather than at the first registry read
    void Sleep(unsigned long) override
    {
        if (bLate)
            throw std::bad_alloc();
    }
    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        if (!bLate)
            throw std::bad_alloc();
        return FakeOs::RegistryOpenKey(subKey, key);
    }
};

// Nothing ends the run without its log: what the run message holds up to the
// failure, and why the run stopped.
TEST(SpineFailureTest, RunThatRunsOutOfMemoryStillWritesItsLog)
{
    for (const bool bLate : {false, true})
    {
        ExhaustedOs os;
        TempDir dir;
        platform::ScopedOs scope(os);
        os.moduleFileName = dir.File(L"Brantel.exe");
        os.bLate = bLate;
        const std::wstring key = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
        os.registry[key] = {{L"Version", L"14.0"}, {L"Installpath", dir.Wide()}};
        os.registry[L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0"] = {
            {L"DisplayIcon", dir.File(L"Qvw.exe")}};
        dir.Write(L"brantel.dat", "PatchInfo=P\r\nPatchFile=setup.exe\r\nPatchVersion=14.0.0.5\r\n"
                                  "PreviousVersions=14.0.0.4\r\n");
        dir.Write(L"setup.exe", "MZ");
        wchar_t* argv[] = {nullptr};
        EXPECT_EQ(BrantelMain(0, argv), 0);
        const std::string stopped = "Patch update process stopped: not enough memory.\n\n";
        const std::string before = bLate ? "Registry bit support Mode 2: Verified successfully.\n\n"
                                           "Client side update check, level version completed.\n\n"
                                           "Client side update check, level three completed.\n\n"
                                           "Client side update check, level two completed.\n\n"
                                           "Read patch update installer file completed.\n\n"
                                           "Patch update read process: key values found.\n\n"
                                           "This patch is not applicable or not required for the "
                                           "installed quenvia application.\n\n"
                                         : "";
        EXPECT_EQ(dir.Read(L"Log_QVW_14_Brantel.txt"), ExpectedLog(before + stopped)) << bLate;
        EXPECT_NE(os.console.find(L"Patch update status: Update failed, please check the log for "
                                  L"complete details.\n"),
                  std::wstring::npos);
    }
}

TEST_F(SpineTest, LogOfAnEmptyMessageIsHeaderThenFooter)
{
    WriteUpdateLog(CString());
    EXPECT_EQ(dir.Read(L"Log_QVW_14_Brantel.txt"), ExpectedLog(""));
}

TEST_F(SpineTest, LogReplacesThePreviousOne)
{
    WriteUpdateLog(L"first run with a long message\n\n");
    WriteUpdateLog(L"A.\n\nB.\n\n");
    EXPECT_EQ(dir.Read(L"Log_QVW_14_Brantel.txt"), ExpectedLog("A.\n\nB.\n\n"));
}

TEST_F(SpineTest, LogThatCannotBeWrittenIsSwallowed)
{
    std::filesystem::create_directory(dir.Path() / L"Log_QVW_14_Brantel.txt");
    EXPECT_NO_THROW(WriteUpdateLog(L"entry\n\n"));
}

TEST_F(SpineTest, LogFooterEndsWithoutALineFeed)
{
    const CString footer = BuildLogFooter();
    EXPECT_EQ(std::wstring(footer.GetString()),
              L"=========== (Quenvia 14.0 Patch Update Utility 1.0.5) Patch Update : End  "
              L"=============");
    EXPECT_EQ(GetUtilityVersion(), CString(L"1.0.5"));
}

TEST_F(SpineTest, RunMessageEntriesEndWithABlankLine)
{
    CPatchExecute patch;
    const CString before = patch.GetLogMessage();
    patch.AppendLogMessage(L"Entry.");
    EXPECT_EQ(patch.GetLogMessage(), before + L"Entry.\n\n");
}

TEST_F(SpineTest, SetRegistryVersionIgnoresAnEmptyText)
{
    CPatchExecute patch;
    patch.SetRegistryVersion(L"14.0");
    patch.SetRegistryVersion(CString());
    EXPECT_EQ(patch.GetRegistryVersion(), CString(L"14.0"));
    patch.SetRegistryVersion(L"15.0");
    EXPECT_EQ(patch.GetRegistryVersion(), CString(L"15.0"));
}

} // namespace
