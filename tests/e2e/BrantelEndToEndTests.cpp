// The real program, run in a sandbox: every outcome a user can meet, with the
// exact console, log, record and exit code.
#include "Sandbox.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace e2e
{
namespace
{

const std::string kGuard =
    "Patch update status: Please check and close Quenvia/Excel application,if open.\n";
const std::string kValidation = "Patch update status: Validation in-progress...\n";
const std::string kInProgress =
    "Patch update status: Installation in-progress.\nPlease wait to complete...\n";
const std::string kPleaseWait = "Please wait to close the application...\n";
const std::string kAlreadyApplied =
    "Patch update status: This patch update has been already applied.\n";
const std::string kUpdateFailed =
    "Patch update status: Update failed, please check the log for complete details.\n";

// The entries of a validation that passes, in this platform's registry mode.
std::string ValidationPassed()
{
#ifdef _WIN32
    const std::string mode = "Registry bit support Mode 1: Verified successfully.\n\n";
#else
    const std::string mode = "Registry bit support Mode 2: Verified successfully.\n\n";
#endif
    return mode + "Client side update check, level version completed.\n\n"
                  "Client side update check, level three completed.\n\n"
                  "Client side update check, level two completed.\n\n";
}

const std::string kDescriptorRead = "Read patch update installer file completed.\n\n"
                                    "Patch update read process: key values found.\n\n";

std::string LogOf(const Sandbox& box)
{
    std::string body;
    const std::string log = Sandbox::Read(box.Log());
    if (!SplitLog(log, body))
        return "<bad header>" + log;
    return body;
}

// A file that Brantel must find unusable while it runs: held open with no
// sharing where the platform has sharing modes, else a folder of that name
// (an administrator may write any file, but never a folder as a file).
class UnusableFile
{
public:
    explicit UnusableFile(const fs::path& path)
    {
#ifdef _WIN32
        m_handle = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        fs::create_directory(path);
#endif
    }
    ~UnusableFile()
    {
#ifdef _WIN32
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
#endif
    }
    UnusableFile(const UnusableFile&) = delete;
    UnusableFile& operator=(const UnusableFile&) = delete;

    bool Held() const
    {
#ifdef _WIN32
        return m_handle != INVALID_HANDLE_VALUE;
#else
        return true;
#endif
    }
    // What the framework says when the file cannot be opened.
    static std::string Description(const fs::path& path)
    {
#ifdef _WIN32
        return "A sharing violation occurred while accessing " + Sandbox::Utf8(path) + ".";
#else
        return "Access to " + Sandbox::Utf8(path) + " was denied.";
#endif
    }

private:
#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#endif
};

// The log of a patch that installs while its record can be neither read
// nor written: the update counts as failed.
std::string RecordRefusedLog(Sandbox& box)
{
    const std::string record = Sandbox::Utf8(box.Record());
    return LogBody(ValidationPassed() + kDescriptorRead +
                   "Installer update file exists in local.\n\n"
                   "Access to " +
                   record +
                   " was denied.\n\n"
                   "Read local installer update file failed.\n\n"
                   "Update details found: Exit code 1.\n\n"
                   "Installedupdates failed.Access to " +
                   record +
                   " was denied.\n\n"
                   "Execute patch process: Not completed successfully.\n\n");
}

class BrantelEndToEnd : public ::testing::Test
{
protected:
    void StandardInstallation() { box.StandardInstallation(); }

    Sandbox box;
};

void ExpectGuardRun(Sandbox& box, const std::wstring& processName)
{
    const fs::path running = box.Root() / L"running";
    fs::create_directories(running);
    fs::copy_file(Sandbox::FakeInstaller(), running / processName);
    testing_support::RunResult result;
    {
        testing_support::BackgroundProgram application((running / processName).wstring(),
                                                       {L"--sleep", L"60000"});
        result = box.Run({L"--ignored", L"argument"});
    }
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kGuard));
    EXPECT_GE(result.seconds, 7.0);
    EXPECT_EQ(LogOf(box), LogBody(kGuard));
}

TEST_F(BrantelEndToEnd, RunningProductStopsTheRun)
{
    StandardInstallation();
    ExpectGuardRun(box, L"Qvw.exe");
    EXPECT_EQ(Sandbox::Read(box.Record()), "") << "nothing may be installed";
}

TEST_F(BrantelEndToEnd, RunningExcelInAnotherLetterCaseStopsTheRun)
{
    StandardInstallation();
    ExpectGuardRun(box, L"EXCEL.EXE");
}

TEST_F(BrantelEndToEnd, PatchIsAppliedOnceAndThenFoundApplied)
{
    StandardInstallation();
    const auto first = box.Run();
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.output,
              ConsoleText(kValidation + kInProgress +
                          "Patch update status: Completed successfully.\n" + kPleaseWait));
    EXPECT_GE(first.seconds, 10.0);
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details found: Exit code 2.\n\n"
                                  "Execute patch process: Completed successfully.\n\n"));
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5");

    const auto second = box.Run();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.output, ConsoleText(kValidation + kAlreadyApplied + kPleaseWait));
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details not found: Exit code 3.\n\n"
                                  "This patch update has been already applied.\n\n"));
}

TEST_F(BrantelEndToEnd, InstallerThatChangesNothingIsAVersionMismatch)
{
    StandardInstallation();
    box.WriteInstallerScript({});
    const auto result = box.Run();
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + kInProgress +
                          "Patch update status: Update failed due to version mismatch, please "
                          "check the log for complete details.\n" +
                          kPleaseWait));
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details found: Exit code 2.\n\n"
                                  "Execute patch process : Not completed successfully due to "
                                  "version information mismatch. \n\n"));
    EXPECT_FALSE(fs::exists(box.Record()));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(BrantelEndToEnd, InstallerThatRemovesTheProductCountsAsCancelled)
{
    StandardInstallation();
    box.WriteInstallerScript({"delete " + Sandbox::Utf8(box.ProductExecutable())});
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details found: Exit code 2.\n\n"
                                  "Execute patch process : Not completed successfully (might be "
                                  "cancelled during updates). Please try again. \n\n"));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(BrantelEndToEnd, RecordThatCannotBeWrittenFailsTheUpdate)
{
    StandardInstallation();
    fs::create_directory(box.Record());
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    EXPECT_EQ(LogOf(box), RecordRefusedLog(box));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(BrantelEndToEnd, LogThatCannotBeWrittenChangesNothingElse)
{
    StandardInstallation();
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 5");
    testing_support::RunResult result;
    {
        const UnusableFile log(box.Log());
        ASSERT_TRUE(log.Held());
        result = box.Run();
    }
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kValidation + kAlreadyApplied + kPleaseWait));
    EXPECT_GE(result.seconds, 7.0);
#ifdef _WIN32
    EXPECT_EQ(Sandbox::Read(box.Log()), "") << "the holder's file is left alone";
#else
    EXPECT_TRUE(fs::is_directory(box.Log()));
#endif
}

TEST_F(BrantelEndToEnd, DescriptorThatCannotBeReadStopsBeforeAnyInstall)
{
    StandardInstallation();
    fs::remove(box.PatchFolder() / L"brantel.dat");
    testing_support::RunResult result;
    {
        const UnusableFile descriptor(box.PatchFolder() / L"brantel.dat");
        ASSERT_TRUE(descriptor.Held());
        result = box.Run();
    }
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kValidation));
    EXPECT_GE(result.seconds, 7.0);
    EXPECT_EQ(LogOf(box),
              LogBody(ValidationPassed() +
                      UnusableFile::Description(box.PatchFolder() / L"brantel.dat") +
                      "\n\n"
                      "Read patch update installer  file failed.\n\n"
                      "Patch update read process: key values not found.Exit code 1.\n\n"));
    EXPECT_FALSE(fs::exists(box.Record())) << "no installer may run";
}

TEST_F(BrantelEndToEnd, RecordedPatchIsNotRunAgain)
{
    StandardInstallation();
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 5");
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kAlreadyApplied + kPleaseWait));
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Installer update file exists in local.\n\n"
                                  "Read local installer update file completed.\n\n"
                                  "Update details not found.Exit code 1.\n\n"
                                  "Patch update status: This patch update has been already "
                                  "applied.\n\n"));
}

TEST_F(BrantelEndToEnd, RecordNamingTheProductTwiceLeavesTheRevisionsToDecide)
{
    StandardInstallation();
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 5 (Quenvia)");
    const auto result = box.Run();
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Installer update file exists in local.\n\n"
                                  "Read local installer update file completed.\n\n"
                                  "Update details found: Exit code 1.\n\n"
                                  "Execute patch process: Completed successfully.\n\n"));
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5");
}

TEST_F(BrantelEndToEnd, NoRecordAndARevisionAtThePatchsMeansApplied)
{
    StandardInstallation();
    box.WriteProduct(14, 0, 1, 5);
    box.WriteDescriptor("PatchInfo=Quenvia 14.0 Patch 5\nPatchFile=setup.exe\n"
                        "PatchVersion=14.0.0.5\nPreviousVersions=14.0.1.5\n");
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kAlreadyApplied + kPleaseWait));
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details not found: Exit code 2.\n\n"
                                  "Patch update status: This patch update has been already "
                                  "applied.\n\n"));
    EXPECT_FALSE(fs::exists(box.Record()));
}

TEST_F(BrantelEndToEnd, VersionOutsideThePreviousVersionsIsNotApplicable)
{
    StandardInstallation();
    box.WriteProduct(14, 0, 0, 2);
    const auto result = box.Run();
    EXPECT_EQ(result.output,
              ConsoleText(kValidation +
                          "Patch update status: This patch is not applicable or not required for "
                          "the installed quenvia application.\n" +
                          kPleaseWait));
    EXPECT_GE(result.seconds, 7.0);
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "This patch is not applicable or not required for the installed "
                                  "quenvia application.\n\n"));
}

TEST_F(BrantelEndToEnd, MachineWithoutTheProductIsRefused)
{
    box.WriteStandardDescriptor();
    const auto result = box.Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + "This patch can't be applied. Quenvia 14.0 application is "
                                        "not installed in this machine.\n"));
    EXPECT_GE(result.seconds, 7.0);
#ifdef _WIN32
    const std::string levels = "Registry bit support Mode 1: Verified successfully.\n\n"
                               "Client side update check, level version add-on failed.\n\n"
                               "Error :2\n\n"
                               "Client side update check, level three failed.\n\n"
                               "Error :2\n\n";
#else
    const std::string levels = "Registry bit support Mode 2: Verified successfully.\n\n"
                               "Client side update check, level three failed.\n\n"
                               "Error :2\n\n";
#endif
    EXPECT_EQ(LogOf(box), LogBody(levels +
                                  "This patch can't be applied. Quenvia 14.0 application is not "
                                  "installed in this machine.\n\n" +
                                  kDescriptorRead));
}

TEST_F(BrantelEndToEnd, InstallerThatCannotBeStartedIsReportedByCode)
{
    StandardInstallation();
#ifdef _WIN32
    Sandbox::Write(box.PatchFolder() / L"setup.exe", "not a program");
#else
    fs::permissions(box.PatchFolder() / "setup.exe",
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::remove);
#endif
    const auto result = box.Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress));
    EXPECT_GE(result.seconds, 10.0);
    const std::string before =
        ValidationPassed() + kDescriptorRead + "Update details found: Exit code 2.\n\n";
#ifdef _WIN32
    // Windows reports a file that is not a program as 193; Wine as 1400.
    const std::string log = LogOf(box);
    EXPECT_TRUE(log == LogBody(before + "Execute patch process: error code 193\n\n") ||
                log == LogBody(before + "Execute patch process: error code 1400\n\n"))
        << log;
#else
    EXPECT_EQ(LogOf(box),
              LogBody(before + "Execute patch process error: Access to the specified file is "
                               "denied.\n\n"));
#endif
    EXPECT_FALSE(fs::exists(box.Record()));
}

TEST_F(BrantelEndToEnd, InstallerIsTheOneBesideTheProgramWhateverTheCurrentFolder)
{
    StandardInstallation();
    box.WriteInstallerScript({"copy " + Sandbox::Utf8(box.PatchFolder() / L"payload" / L"Qvw.exe") +
                                  "|" + Sandbox::Utf8(box.ProductExecutable()),
                              "cwd " + Sandbox::Utf8(box.Root() / L"installer-cwd.txt")});
    // A decoy of the same name in the folder Brantel is started from.
    const fs::path elsewhere = box.Root() / L"elsewhere";
    fs::create_directories(elsewhere);
    fs::copy_file(Sandbox::FakeInstaller(), elsewhere / L"setup.exe");
    Sandbox::Write(elsewhere / L"installer-script.txt",
                   "cwd " + Sandbox::Utf8(box.Root() / L"decoy-ran.txt") + "\n");

    const auto result = box.Run({}, elsewhere);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(box.Root() / L"decoy-ran.txt")) << "the decoy must never run";
    EXPECT_EQ(fs::path(Sandbox::Read(box.Root() / L"installer-cwd.txt")), box.PatchFolder())
        << "the installer's working folder is the program's folder";
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5");
}

// Brantel runs elevated: nothing the user controls may steer it.

TEST_F(BrantelEndToEnd, ComSpecNamingAnotherProgramNeverRuns)
{
    // A DisplayIcon too long to read makes the run clear the console and stop.
    ProductKeys keys;
    keys.displayIcon = std::wstring(300, L'x');
    box.RegisterProduct(keys);
    box.WriteProduct(14, 0, 0, 4);
    box.WriteStandardDescriptor();
    const fs::path marker = box.Root() / L"marker" / L"cmd.exe";
    fs::create_directories(marker.parent_path());
    fs::copy_file(Sandbox::FakeInstaller(), marker);
    const fs::path elsewhere = box.Root() / L"elsewhere";
    fs::create_directories(elsewhere);
    Sandbox::Write(elsewhere / L"installer-script.txt",
                   "cwd " + Sandbox::Utf8(box.Root() / L"marker-ran.txt") + "\n");

    const std::string program = Sandbox::Utf8(marker);
    const auto result = box.Run({}, elsewhere, {{"ComSpec", program}, {"SHELL", program}});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(box.Root() / L"marker-ran.txt")) << "the user's program ran";
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + "Patch update status : Validation for level two check "
                                        "failed.(empty value found).\n"));
    EXPECT_NE(LogOf(box).find("Could not check patch update availability.WARNING: 101."),
              std::string::npos);
}

TEST_F(BrantelEndToEnd, InstallerInAFolderNamedLikeAVariableIsStartedByThatName)
{
    Sandbox named(L"%OS%");
    named.RegisterProduct();
    named.WriteProduct(14, 0, 0, 4);
    named.WritePayload(14, 0, 0, 5);
    named.WriteStandardDescriptor();
    named.InstallerCopiesPayload();
    const auto result = named.Run();
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + kInProgress +
                          "Patch update status: Completed successfully.\n" + kPleaseWait));
    EXPECT_EQ(Sandbox::Read(named.Record()), "Quenvia 14.0 Patch 5");
}

// A link in place of a file Brantel writes: made by the test now, by an
// ordinary user on a customer's machine.
enum class LinkKind
{
    Hard,
    Symbolic
};

void MakeLink(LinkKind kind, const fs::path& target, const fs::path& link)
{
    if (kind == LinkKind::Hard)
        fs::create_hard_link(target, link);
    else
        fs::create_symlink(target, link);
}

class LinkedFile : public BrantelEndToEnd, public ::testing::WithParamInterface<LinkKind>
{
};

TEST_P(LinkedFile, LinkNamedLikeTheLogLeavesItsTargetAlone)
{
    StandardInstallation();
    Sandbox::Write(box.Record(), "Quenvia 14.0 Patch 5");
    const fs::path target = box.Root() / L"system.cfg";
    Sandbox::Write(target, "precious");
    MakeLink(GetParam(), target, box.Log());
    const auto result = box.Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kValidation + kAlreadyApplied + kPleaseWait));
    EXPECT_EQ(Sandbox::Read(target), "precious");
}

// The link is neither read (its target might be a secret) nor written.
TEST_P(LinkedFile, LinkNamedLikeTheRecordLeavesItsTargetAloneAndFailsTheUpdate)
{
    StandardInstallation();
    const fs::path target = box.Root() / L"system.cfg";
    Sandbox::Write(target, "precious");
    MakeLink(GetParam(), target, box.Record());
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    const std::string record = Sandbox::Utf8(box.Record());
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Installer update file exists in local.\n\n"
                                  "Access to " +
                                  record +
                                  " was denied.\n\n"
                                  "Read local installer update file failed.\n\n"
                                  "Update details found: Exit code 1.\n\n"
                                  "Installedupdates failed.Access to " +
                                  record +
                                  " was denied.\n\n"
                                  "Execute patch process: Not completed successfully.\n\n"));
    EXPECT_EQ(Sandbox::Read(target), "precious");
}

#ifndef _WIN32
// While the installer runs, an ordinary user who owns a folder above the
// record's swaps the record's folder for a link to a folder only the
// administrator may write: the record there stays as it was. (Wine shows a
// Linux link as its target, so this is seen natively.)
TEST_F(BrantelEndToEnd, RecordFolderSwappedForALinkDuringTheInstallLeavesTheTargetAlone)
{
    const fs::path icons = box.Root() / L"icons";
    const fs::path guarded = box.Root() / L"guarded";
    fs::create_directories(icons);
    fs::create_directories(guarded);
    Sandbox::Write(guarded / L"installedupdates.dat", "administrator's record");
    ProductKeys keys;
    keys.displayIcon = (icons / L"Qvw.exe").wstring();
    box.RegisterProduct(keys);
    box.WriteProduct(14, 0, 0, 4);
    box.WritePayload(14, 0, 0, 5);
    box.WriteStandardDescriptor();
    box.WriteInstallerScript(
        {"copy " + Sandbox::Utf8(box.PatchFolder() / L"payload" / L"Qvw.exe") + "|" +
             Sandbox::Utf8(box.ProductExecutable()),
         "move " + Sandbox::Utf8(icons) + "|" + Sandbox::Utf8(box.Root() / L"icons.old"),
         "dirlink " + Sandbox::Utf8(guarded) + "|" + Sandbox::Utf8(icons)});
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    EXPECT_EQ(Sandbox::Read(guarded / L"installedupdates.dat"), "administrator's record");
    EXPECT_NE(LogOf(box).find("Installedupdates failed.Access to " +
                              Sandbox::Utf8(icons / L"installedupdates.dat") + " was denied."),
              std::string::npos)
        << LogOf(box);
}
#endif

std::string LinkName(const ::testing::TestParamInfo<LinkKind>& info)
{
    return info.param == LinkKind::Hard ? "HardLink" : "SymbolicLink";
}

#ifdef _WIN32
// Wine shows a Linux symbolic link as the file it points at.
INSTANTIATE_TEST_SUITE_P(Links, LinkedFile, ::testing::Values(LinkKind::Hard), LinkName);
#else
INSTANTIATE_TEST_SUITE_P(Links, LinkedFile, ::testing::Values(LinkKind::Hard, LinkKind::Symbolic),
                         LinkName);
#endif

TEST_F(BrantelEndToEnd, Utf8CodePageStillWritesTheLogAndTheRecord)
{
    // "Patch" in Chinese, which Windows-1252 has no characters for, in the
    // patch's identity and, on Linux, in the patch folder's name.
#ifdef _WIN32
    // The system's code page, which a test cannot change: ctest runs this
    // case under Wine with a locale whose code page is UTF-8. Wine makes
    // non-ASCII file names only under a Linux locale that has them, which
    // that one is not on every machine.
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the ANSI code page 65001 (Wine: LC_ALL=hi_IN.UTF-8)";
    Sandbox named(L"patch");
#else
    Sandbox named(fs::u8path("patch-\xE8\xA1\xA5\xE4\xB8\x81"));
#endif
    ProductKeys keys;
    keys.ansiCodePage = L"65001";
    named.RegisterProduct(keys);
    named.WriteProduct(14, 0, 0, 4);
    named.WritePayload(14, 0, 0, 5);
    const std::string info = "Quenvia 14.0 \xE8\xA1\xA5\xE4\xB8\x81 5";
    named.WriteDescriptor("PatchInfo=" + info +
                          "\r\nPatchFile=setup.exe\r\nPatchVersion=14.0.0.5\r\n"
                          "PreviousVersions=14.0.0.4\r\n");
    named.InstallerCopiesPayload();
    const auto result = named.Run();
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + kInProgress +
                          "Patch update status: Completed successfully.\n" + kPleaseWait));
    EXPECT_EQ(Sandbox::Read(named.Record()), info);
    EXPECT_EQ(LogOf(named), LogBody(ValidationPassed() + kDescriptorRead +
                                    "Update details found: Exit code 2.\n\n"
                                    "Execute patch process: Completed successfully.\n\n"));

    // The system's text about a file in that folder reaches the log whole.
    const fs::path descriptor = named.PatchFolder() / L"brantel.dat";
    fs::remove(descriptor);
    fs::create_directory(descriptor);
    named.Run();
    EXPECT_EQ(LogOf(named),
              LogBody(ValidationPassed() + "Access to " + Sandbox::Utf8(descriptor) +
                      " was denied.\n\n"
                      "Read patch update installer  file failed.\n\n"
                      "Patch update read process: key values not found.Exit code 1.\n\n"));
}

#ifndef _WIN32
TEST(BrantelEndToEndPaths, ProgramFolderWhoseNameIsNotUtf8FindsItsOwnFiles)
{
    Sandbox box(std::string("patch-\xE9t\xE9-\xFF"));
    box.RegisterProduct();
    box.WriteProduct(14, 0, 0, 4);
    box.WritePayload(14, 0, 0, 5);
    box.WriteStandardDescriptor();
    box.InstallerCopiesPayload();
    // Started through a link with a plain name (the test's runner takes text);
    // the program finds its folder through the system, bytes and all.
    const fs::path launcher = box.Root() / "launcher";
    fs::create_symlink(box.PatchFolder() / "brantel", launcher);
    const auto result = testing_support::RunProgram(
        launcher.wstring(), {}, box.Root().wstring(),
        {{"BRANTEL_REGISTRY", Sandbox::Utf8(box.Root() / "registry.reg")}});
    EXPECT_EQ(result.output,
              ConsoleText(kValidation + kInProgress +
                          "Patch update status: Completed successfully.\n" + kPleaseWait));
    EXPECT_EQ(Sandbox::Read(box.Record()), "Quenvia 14.0 Patch 5");
    EXPECT_EQ(LogOf(box), LogBody(ValidationPassed() + kDescriptorRead +
                                  "Update details found: Exit code 2.\n\n"
                                  "Execute patch process: Completed successfully.\n\n"));
    std::size_t folders = 0;
    for (const auto& entry : fs::directory_iterator(box.Root()))
        if (entry.is_directory())
            ++folders;
    EXPECT_EQ(folders, 2u) << "only the patch and product folders";
}

TEST_F(BrantelEndToEnd, FifoNamedLikeTheDescriptorIsRefusedWithoutWaiting)
{
    StandardInstallation();
    const fs::path descriptor = box.PatchFolder() / L"brantel.dat";
    fs::remove(descriptor);
    ASSERT_EQ(mkfifo(descriptor.c_str(), 0600), 0);
    const auto result = box.Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, ConsoleText(kValidation));
    EXPECT_EQ(LogOf(box),
              LogBody(ValidationPassed() + "Access to " + Sandbox::Utf8(descriptor) +
                      " was denied.\n\n"
                      "Read patch update installer  file failed.\n\n"
                      "Patch update read process: key values not found.Exit code 1.\n\n"));
    EXPECT_FALSE(fs::exists(box.Record()));
}

TEST_F(BrantelEndToEnd, FifoNamedLikeTheRecordIsNeitherReadNorWritten)
{
    StandardInstallation();
    ASSERT_EQ(mkfifo(box.Record().c_str(), 0600), 0);
    const auto result = box.Run();
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    EXPECT_EQ(LogOf(box), RecordRefusedLog(box));
}
#endif

} // namespace
} // namespace e2e
