// The updater's whole run, start to the "not applicable" outcome, with a
// scripted operating system: real files, no waits, no installer.
#include "BenchSetup.h"
#include "Brantel.h"
#include "RealFilesOs.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace bench
{

namespace
{

const char16_t kNotApplicable[] = u"Patch update status: This patch is not applicable or not "
                                  u"required for the installed quenvia application.\n";

platform::XString X(const std::wstring& text)
{
    return platform::FromWide(text.c_str(), text.size());
}

// The operating system of a machine with Quenvia 14.0.0.2 installed, no
// product or Excel running, and a patch folder holding brantel.dat and the
// installer. Files are real; waits return at once.
class ScriptedOs : public testing_support::RealFilesOs
{
public:
    explicit ScriptedOs(const std::filesystem::path& root)
    {
        const std::filesystem::path patch = root / "patch";
        const std::filesystem::path product = root / "product";
        std::filesystem::create_directories(patch);
        std::filesystem::create_directories(product);
        std::ofstream(patch / "brantel.dat", std::ios::binary)
            << "PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
               "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n";
        std::ofstream(patch / "setup.exe", std::ios::binary) << "installer";
        std::ofstream(product / "Qvw.exe", std::ios::binary) << "product";

        m_moduleFileName = X((patch / "Brantel.exe").wstring());
        m_productPath = X((product / "Qvw.exe").wstring());
        m_keys[u"software\\dorvane software inc.\\quenvia\\14.0"] = {
            {u"version", u"14.0"}, {u"installpath", X(product.wstring())}};
        m_keys[u"software\\microsoft\\windows\\currentversion\\uninstall\\quenvia 14.0"] = {
            {u"displayicon", m_productPath}};
        for (const char16_t* name : {u"System", u"explorer.exe", u"svchost.exe", u"csrss.exe",
                                     u"winlogon.exe", u"OUTLOOK.EXE", u"Teams.exe"})
            m_processes.emplace_back(name);
    }

    const std::u16string& Console() const { return m_console; }
    void ClearRecord()
    {
        m_console.clear();
        m_sleeps = 0;
        m_starts = 0;
    }
    int Sleeps() const { return m_sleeps; }
    int Starts() const { return m_starts; }

    void* ModuleHandle() override { return this; }
    platform::XString ModuleFileName() override { return m_moduleFileName; }
    platform::XString CommandLine() override { return u"Brantel.exe"; }
    bool InitializeFramework(void*) override { return true; }
    void WriteConsoleText(platform::XStringView text) override { m_console.append(text); }
    void ClearConsole() override {}
    void RemoveConsoleMenuCommand(unsigned) override {}
    bool ListProcessNames(std::vector<platform::XString>& names) override
    {
        names.insert(names.end(), m_processes.begin(), m_processes.end());
        return true;
    }
    void Sleep(unsigned long) override { ++m_sleeps; }
    bool LocalTime(std::tm& out) override
    {
        out = std::tm{};
        out.tm_year = 126;
        out.tm_mon = 11;
        out.tm_mday = 6;
        return true;
    }
    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        const std::u16string path = Lower(subKey);
        for (const auto& entry : m_keys)
        {
            if (entry.first == path || entry.first.rfind(path + u"\\", 0) == 0)
            {
                m_open.push_back(entry.first);
                key = static_cast<platform::RegistryKey>(m_open.size());
                return platform::kSuccess;
            }
        }
        return platform::kErrorFileNotFound;
    }
    platform::Status RegistryQueryString(platform::RegistryKey key, platform::XStringView name,
                                         platform::XString& text) override
    {
        const auto found = m_keys.find(m_open.at(static_cast<std::size_t>(key) - 1));
        if (found == m_keys.end())
            return platform::kErrorFileNotFound;
        const auto value = found->second.find(Lower(name));
        if (value == found->second.end())
            return platform::kErrorFileNotFound;
        text = value->second;
        return platform::kSuccess;
    }
    void RegistryCloseKey(platform::RegistryKey) override {}
    bool ReadFileVersion(platform::XStringView path, std::uint32_t& ms, std::uint32_t& ls) override
    {
        if (platform::XString(path) != m_productPath)
            return false;
        ms = 14u << 16;
        ls = 2; // 14.0.0.2: not one of the versions the patch applies to
        return true;
    }
    platform::Status StartProgram(platform::XStringView, platform::XStringView,
                                  platform::ProcessHandle& process) override
    {
        ++m_starts;
        process = 0;
        return platform::kErrorFileNotFound;
    }
    void WaitForProgram(platform::ProcessHandle) override {}
    platform::FolderTrust CheckFolderTrust(platform::XStringView) override
    {
        platform::FolderTrust trust;
        trust.trusted = true;
        return trust;
    }
    unsigned AnsiCodePage() override { return 1252; }
    void ShowMessage(platform::XStringView) override {}
    void SetWaitCursor(bool) override {}

private:
    static std::u16string Lower(platform::XStringView text)
    {
        std::u16string lower(text);
        for (char16_t& c : lower)
            c = platform::FoldCase(c);
        return lower;
    }

    platform::XString m_moduleFileName;
    platform::XString m_productPath;
    std::map<std::u16string, std::map<std::u16string, std::u16string>> m_keys;
    std::vector<platform::XString> m_processes;
    std::vector<std::u16string> m_open;
    std::u16string m_console;
    int m_sleeps = 0;
    int m_starts = 0;
};

void BrantelNotApplicable(benchmark::State& state)
{
    ScriptedOs os(SharedInputs().folder.Path() / "brantel");
    const platform::ScopedOs scope(os);
    wchar_t* none[] = {nullptr};
    for (auto _ : state)
    {
        os.ClearRecord();
        const int nExit = BrantelMain(0, none);
        benchmark::DoNotOptimize(nExit);
        if (nExit != 0 || os.Console().find(kNotApplicable) == std::u16string::npos ||
            os.Sleeps() != 1 || os.Starts() != 0)
            return state.SkipWithError("the run did not end as not applicable");
    }
}

} // namespace

BENCHMARK(BrantelNotApplicable)
    ->Name("Brantel/not_applicable")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace bench
