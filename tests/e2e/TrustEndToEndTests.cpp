// Brantel runs elevated: a patch folder that others may change, a PatchFile
// that leads out of it, a program folder reached through a link that is
// re-pointed while it runs, an unexpanded DisplayIcon and the caller's TZ
// never steer it.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace e2e
{
namespace
{

const std::string kValidation = "Patch update status: Validation in-progress...\n";
const std::string kInProgress =
    "Patch update status: Installation in-progress.\nPlease wait to complete...\n";
const std::string kUpdateFailed =
    "Patch update status: Update failed, please check the log for complete details.\n";
const std::string kPleaseWait = "Please wait to close the application...\n";
const std::string kNotStarted =
    "Execute patch process error: The installer was not started, because the folder ";

std::map<std::string, std::string> Registry(const Sandbox& box)
{
#ifdef _WIN32
    (void)box;
    return {};
#else
    return {{"BRANTEL_REGISTRY", Sandbox::Utf8(box.Root() / L"registry.reg")}};
#endif
}

fs::path ProgramIn(const fs::path& folder)
{
#ifdef _WIN32
    return folder / L"Brantel.exe";
#else
    return folder / L"brantel";
#endif
}

class TrustEndToEnd : public ::testing::Test
{
protected:
    // The standard patch, whose installer also leaves a mark.
    void Installation()
    {
        box.StandardInstallation();
        box.WriteInstallerScript({"copy " +
                                      Sandbox::Utf8(box.PatchFolder() / L"payload" / L"Qvw.exe") +
                                      "|" + Sandbox::Utf8(box.ProductExecutable()),
                                  "cwd " + Sandbox::Utf8(Marker())});
    }
    fs::path Marker() const { return box.Root() / L"installer-ran.txt"; }
    std::string Log() const
    {
        std::string body;
        return SplitLog(Sandbox::Read(box.Log()), body) ? body : "<no log>";
    }

    Sandbox box;
};

// ---------------------------------------------------------------------------
// A patch folder that others may change starts no installer.

enum class Change
{
    OtherOwner,
    OthersMayWrite
};

struct UntrustedCase
{
    const char* name;
    Change change;
    const char* reason;
};

void PrintTo(const UntrustedCase& c, std::ostream* out)
{
    *out << c.name;
}

#ifdef _WIN32
bool UsersMayAddFiles(const fs::path& folder, BYTE* users)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool bFound = false;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount && !bFound; ++i)
    {
        void* ace = nullptr;
        if (GetAce(dacl, i, &ace) &&
            static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE)
        {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            bFound = EqualSid(&allowed->SidStart, users) && (allowed->Mask & FILE_ADD_FILE) != 0;
        }
    }
    LocalFree(descriptor);
    return bFound;
}
#endif

#ifdef _WIN32
// Under Wine a Windows program may start a Unix one: the tests make links
// and change owners and modes through a Unix shell, as Wine cannot.
bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
// The Unix path of a Windows path, single-quoted for the shell.
std::string Unix(const fs::path& path)
{
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(fs::absolute(path).c_str()) : nullptr;
    const std::string text = name != nullptr ? name : "";
    if (name != nullptr)
        HeapFree(GetProcessHeap(), 0, name);
    return "'" + text + "'";
}
void Shell(const std::string& script)
{
    std::wstring command = L"Z:\\bin\\sh -c \"" + fs::u8path(script).wstring() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started))
    {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
}
bool WaitFor(const fs::path& file)
{
    for (int i = 0; i < 500 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(file);
}
#endif

// Empty when the folder was changed; otherwise why this platform cannot.
std::string MakeUntrusted(const fs::path& folder, Change change)
{
#ifdef _WIN32
    if (change == Change::OtherOwner)
    {
        if (!UnderWine())
            return "no other account to hand the folder to";
        const fs::path done = folder.parent_path() / L"chown-done";
        Shell("chown 65534:65534 " + Unix(folder) + " && : > " + Unix(done));
        return WaitFor(done) ? "" : "chown failed";
    }
    // Everyone may add files, set and read back through the Win32 security
    // functions. (Wine keeps a file's access list in its mode bits: a grant
    // to Users becomes the group's, which it does not show again; one to
    // Everyone shows.)
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(users);
    if (!CreateWellKnownSid(WinWorldSid, nullptr, users, &size))
        return "no SID for Everyone";
    PACL old = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &old, nullptr, &descriptor) != ERROR_SUCCESS)
        return "the folder's DACL cannot be read";
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(users);
    PACL acl = nullptr;
    DWORD status = SetEntriesInAclW(1, &access, old, &acl);
    if (status == ERROR_SUCCESS)
        status = SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                       DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    LocalFree(descriptor);
    if (status != ERROR_SUCCESS)
        return "the DACL cannot be set: " + std::to_string(status);
    if (!UsersMayAddFiles(folder, users))
        return "the DACL set did not stay (no security descriptors on this file system)";
    return "";
#else
    if (change == Change::OtherOwner)
    {
        if (geteuid() != 0)
            return "only root can give a folder to another account";
        return chown(folder.c_str(), 65534, 65534) == 0 ? "" : "chown failed";
    }
    return chmod(folder.c_str(), 0777) == 0 ? "" : "chmod failed";
#endif
}

class UntrustedPatchFolder : public TrustEndToEnd,
                             public ::testing::WithParamInterface<UntrustedCase>
{
};

TEST_P(UntrustedPatchFolder, StartsNoInstaller)
{
    Installation();
    const std::string skip = MakeUntrusted(box.PatchFolder(), GetParam().change);
    if (!skip.empty())
        GTEST_SKIP() << skip;

    const testing_support::RunResult result = box.Run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(Marker())) << "the installer must not run";
    EXPECT_FALSE(fs::exists(box.Record()));
    EXPECT_EQ(result.output, ConsoleText(kValidation + kInProgress + kUpdateFailed + kPleaseWait));
    const std::string log = Log();
    EXPECT_NE(log.find(kNotStarted + Sandbox::Utf8(box.PatchFolder()) + " " + GetParam().reason),
              std::string::npos)
        << log;
}

INSTANTIATE_TEST_SUITE_P(Trust, UntrustedPatchFolder,
                         ::testing::Values(UntrustedCase{"ownedByAnotherAccount",
                                                         Change::OtherOwner,
                                                         "is owned by another account"},
                                           UntrustedCase{"othersMayWrite", Change::OthersMayWrite,
                                                         "may be changed by other accounts"}),
                         [](const auto& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------
// PatchFile names a file in the program's folder, never one outside it.

TEST_F(TrustEndToEnd, PatchFileLeadingOutOfTheFolderIsNotFound)
{
    Installation();
    fs::copy_file(Sandbox::FakeInstaller(), box.Root() / L"outside.exe");
    for (const char* file : {"..\\outside.exe", "../outside.exe"})
    {
        box.WriteDescriptor(std::string("PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=") + file +
                            "\r\nPatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.4\r\n");
        const testing_support::RunResult result = box.Run();
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_FALSE(fs::exists(Marker())) << file;
        EXPECT_EQ(result.output, ConsoleText(kValidation)) << file;
        EXPECT_NE(Log().find("Patch update read process: key file not found.Exit code 5."),
                  std::string::npos)
            << file;
    }
}

// ---------------------------------------------------------------------------
// The program's folder is taken once: a folder link on the way to it,
// re-pointed again and again while Brantel runs (as an opportunistic lock
// would let a user do at the right moment), never makes it start the other
// folder's installer.

// A folder link to one folder that, once started, is re-pointed to another
// and back again and again. Wine cannot make links itself; there a Unix
// shell, which a Windows program under Wine may start, makes them.
class RepointedLink
{
public:
    RepointedLink(const fs::path& link, const fs::path& first, const fs::path& second)
        : m_link(link), m_first(first), m_second(second)
    {
#ifdef _WIN32
        if (UnderWine())
        {
            const fs::path made = link.parent_path() / L"link-made";
            Shell("ln -sfn " + Unix(first) + " " + Unix(link) + " && : > " + Unix(made));
            m_made = WaitFor(made);
            return;
        }
#endif
        std::error_code error;
        fs::create_directory_symlink(first, link, error);
        m_made = !error;
    }
    ~RepointedLink()
    {
        Stop();
#ifdef _WIN32
        // Wine takes the link for a folder: the sandbox's removal would go
        // through it.
        if (m_made && UnderWine())
        {
            const fs::path removed = m_link.parent_path() / L"link-removed";
            Shell("rm -f " + Unix(m_link) + " && : > " + Unix(removed));
            WaitFor(removed);
        }
#endif
    }
    RepointedLink(const RepointedLink&) = delete;
    RepointedLink& operator=(const RepointedLink&) = delete;

    bool Made() const
    {
        return m_made;
    }

    void Start()
    {
#ifdef _WIN32
        if (UnderWine())
        {
            const std::string link = Unix(m_link);
            const std::string next = Unix(m_link.parent_path() / L"link-next");
            m_stop = m_link.parent_path() / L"link-stop";
            m_stopped = m_link.parent_path() / L"link-stopped";
            Shell("sleep 0.1; while [ ! -e " + Unix(m_stop) + " ]; do ln -sfn " + Unix(m_second) +
                  " " + next + "; mv -Tf " + next + " " + link + "; sleep 0.002; ln -sfn " +
                  Unix(m_first) + " " + next + "; mv -Tf " + next + " " + link +
                  "; sleep 0.002; done; : > " + Unix(m_stopped));
            m_shell = true;
            return;
        }
#endif
        m_thread = std::thread(
            [this]
            {
                // Brantel is started through the link as it first points.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const fs::path next = m_link.parent_path() / L"link-next";
                for (bool bSecond = true; !m_stopping; bSecond = !bSecond)
                {
                    std::error_code ignored;
                    fs::remove(next, ignored);
                    fs::create_directory_symlink(bSecond ? m_second : m_first, next, ignored);
                    fs::rename(next, m_link, ignored);
                    if (ignored) // where a link cannot be renamed over another
                    {
                        fs::remove(m_link, ignored);
                        fs::create_directory_symlink(bSecond ? m_second : m_first, m_link, ignored);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
            });
    }

    void Stop()
    {
        m_stopping = true;
        if (m_thread.joinable())
            m_thread.join();
#ifdef _WIN32
        if (m_shell)
        {
            Sandbox::Write(m_stop, "");
            WaitFor(m_stopped);
            m_shell = false;
        }
#endif
    }

private:
#ifdef _WIN32
    bool m_shell = false;
    fs::path m_stop, m_stopped;
#endif
    fs::path m_link, m_first, m_second;
    bool m_made = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

TEST_F(TrustEndToEnd, ProgramFolderReachedThroughARepointedLinkNeverStartsAnother)
{
    Installation();
    const fs::path other = box.Root() / L"other";
    fs::create_directories(other);
    fs::copy_file(Sandbox::FakeInstaller(), other / L"setup.exe");
    fs::copy_file(box.PatchFolder() / L"brantel.dat", other / L"brantel.dat");
    const fs::path otherRan = box.Root() / L"other-ran.txt";
    Sandbox::Write(other / L"installer-script.txt", "cwd " + Sandbox::Utf8(otherRan) + "\n");

    const fs::path link = box.Root() / L"link";
    RepointedLink repointed(link, box.PatchFolder(), other);
    if (!repointed.Made())
        GTEST_SKIP() << "no folder links here";
    repointed.Start();
    const testing_support::RunResult result = testing_support::RunProgram(
        ProgramIn(link).wstring(), {}, box.Root().wstring(), Registry(box));
    repointed.Stop();
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(fs::exists(otherRan)) << "the other folder's installer ran";
}

// ---------------------------------------------------------------------------
// A DisplayIcon that is not absolute (a REG_EXPAND_SZ value read unexpanded)
// names no place: a record planted under that name in the folder the run is
// started from is never read.

TEST_F(TrustEndToEnd, UnexpandedDisplayIconIgnoresARecordInTheStartFolder)
{
    const std::wstring sep(1, static_cast<wchar_t>(fs::path::preferred_separator));
    ProductKeys keys;
    keys.displayIcon = L"%ProgramFiles%" + sep + L"Quenvia" + sep + L"Qvw.exe";
    box.RegisterProduct(keys);
    box.WriteProduct(14, 0, 0, 4);
    box.WritePayload(14, 0, 0, 5);
    box.WriteStandardDescriptor();
    box.InstallerCopiesPayload();
    const fs::path start = box.Root() / L"start";
    const fs::path planted = start / L"%ProgramFiles%" / L"Quenvia";
    fs::create_directories(planted);
    Sandbox::Write(planted / L"installedupdates.dat", "Quenvia 14.0 Patch 5");

    const testing_support::RunResult result = box.Run({}, start);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.find("already applied"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("Validation for level two check failed"), std::string::npos)
        << result.output;
    EXPECT_NE(Log().find("Client side update check, level two failed. Value not found."),
              std::string::npos);
    EXPECT_EQ(Sandbox::Read(planted / L"installedupdates.dat"), "Quenvia 14.0 Patch 5");
}

// ---------------------------------------------------------------------------
// The installer gets the system's environment, nothing of the caller's (PATH
// above all, which decides where it finds programs and DLLs).

TEST_F(TrustEndToEnd, InstallerGetsNoneOfTheCallersEnvironment)
{
    Installation();
    const fs::path seen = box.Root() / L"seen.txt";
    const fs::path path = box.Root() / L"path.txt";
    box.WriteInstallerScript({"cwd " + Sandbox::Utf8(Marker()),
                              "env QUENVIA_CALLERS_OWN|" + Sandbox::Utf8(seen),
                              "env PATH|" + Sandbox::Utf8(path)});
    const std::string planted = Sandbox::Utf8(box.Root() / L"planted");
    const testing_support::RunResult result =
        box.Run({}, fs::path(), {{"QUENVIA_CALLERS_OWN", "1"}, {"PATH", planted}});
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_TRUE(fs::exists(Marker())) << "the installer ran";
    EXPECT_EQ(Sandbox::Read(seen), "<unset>");
    EXPECT_EQ(Sandbox::Read(path).find(planted), std::string::npos) << Sandbox::Read(path);
}

// ---------------------------------------------------------------------------
// The caller's TZ does not reach the elevated run: one naming a FIFO would
// hang the reading of the time zone for ever.

TEST_F(TrustEndToEnd, TimeZoneNamingAFifoDoesNotHangTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "the time comes from GetLocalTime; TZ is the C run-time's";
#else
    const fs::path fifo = box.Root() / L"zone";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Installation();
    for (const std::string& zone : {Sandbox::Utf8(fifo), ":" + Sandbox::Utf8(fifo)})
    {
        const testing_support::RunResult result = box.Run({}, fs::path(), {{"TZ", zone}});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_LT(result.seconds, 60) << "the run hung on " << zone;
        EXPECT_NE(Log(), "<no log>") << zone;
    }
#endif
}

} // namespace
} // namespace e2e
