// A scripted operating system for unit tests: processes, registry contents,
// file versions, console, waits, program starts, messages and the code page
// are all under the test's control; files stay real (in a temporary folder).
#pragma once

#include "RealFilesOs.h"

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testing_support
{

using platform::XString;

inline std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

inline std::wstring W(platform::XStringView text)
{
    return platform::ToWide(text);
}
inline XString X(const std::wstring& text)
{
    return platform::FromWide(text.c_str(), text.size());
}

class FakeOs : public RealFilesOs
{
public:
    // Program image
    bool moduleHandleMissing = false;
    bool frameworkFails = false;
    std::wstring moduleFileName;

    // Console and waits
    std::wstring console;
    int clears = 0;
    std::vector<unsigned> removedMenuCommands;
    std::vector<unsigned long> sleeps;

    // Processes
    bool processListFails = false;
    std::vector<std::wstring> processes;

    // Registry: key path -> value name -> text (names without regard to case)
    std::map<std::wstring, std::map<std::wstring, std::wstring>> registry;
    std::map<std::wstring, platform::Status> openErrors;                           // by key
    std::map<std::pair<std::wstring, std::wstring>, platform::Status> queryErrors; // key, value
    int registryCalls = 0;
    int openKeys = 0;

    // Executables: path -> (MS, LS)
    std::map<std::wstring, std::pair<std::uint32_t, std::uint32_t>> fileVersions;
    // Program starts: file, folder -> status (and a side effect, e.g. a new
    // file version)
    std::function<platform::Status(const std::wstring&, const std::wstring&)> onStart;
    std::vector<std::pair<std::wstring, std::wstring>> starts;
    int waits = 0;
    // Folders whose trust check fails (every other one passes), and the
    // folders checked.
    std::map<std::wstring, platform::FolderTrust> untrustedFolders;
    std::vector<std::wstring> trustChecks;
    int waitCursorChanges = 0;
    std::vector<std::wstring> messages;
    // The machine's own unless a test chooses another.
    unsigned ansiCodePage = platform::NativeOs().AnsiCodePage();

    std::tm localTime = MakeTime();

    static std::tm MakeTime()
    {
        std::tm t = {};
        t.tm_year = 2026 - 1900;
        t.tm_mon = 11;
        t.tm_mday = 6;
        t.tm_hour = 21;
        t.tm_min = 45;
        t.tm_wday = 0;
        t.tm_yday = 339;
        return t;
    }

    void* ModuleHandle() override { return moduleHandleMissing ? nullptr : this; }
    XString ModuleFileName() override { return X(moduleFileName); }
    XString CommandLine() override { return X(L"Brantel.exe"); }
    bool InitializeFramework(void*) override { return !frameworkFails; }

    void WriteConsoleText(platform::XStringView text) override { console += W(text); }
    void ClearConsole() override
    {
        ++clears;
        console += L"<CLS>";
    }
    void RemoveConsoleMenuCommand(unsigned command) override
    {
        removedMenuCommands.push_back(command);
    }

    bool ListProcessNames(std::vector<XString>& names) override
    {
        if (processListFails)
            return false;
        for (const std::wstring& name : processes)
            names.push_back(X(name));
        return true;
    }
    void Sleep(unsigned long milliseconds) override { sleeps.push_back(milliseconds); }
    bool LocalTime(std::tm& out) override
    {
        out = localTime;
        return true;
    }

    platform::Status RegistryOpenKey(platform::XStringView subKey,
                                     platform::RegistryKey& key) override
    {
        ++registryCalls;
        const std::wstring path = Lower(W(subKey));
        const auto error = openErrors.find(path);
        if (error != openErrors.end())
            return error->second;
        bool exists = false;
        for (const auto& entry : registry)
        {
            const std::wstring name = Lower(entry.first);
            if (name == path || name.rfind(path + L"\\", 0) == 0)
                exists = true;
        }
        if (!exists)
            return platform::kErrorFileNotFound;
        m_openPaths.push_back(path);
        key = static_cast<platform::RegistryKey>(m_openPaths.size());
        ++openKeys;
        return platform::kSuccess;
    }

    platform::Status RegistryQueryString(platform::RegistryKey key, platform::XStringView valueName,
                                         XString& text) override
    {
        ++registryCalls;
        const std::wstring path = m_openPaths.at(static_cast<std::size_t>(key) - 1);
        const std::wstring value = Lower(W(valueName));
        const auto error = queryErrors.find({path, value});
        if (error != queryErrors.end())
            return error->second;
        for (const auto& entry : registry)
        {
            if (Lower(entry.first) != path)
                continue;
            for (const auto& item : entry.second)
            {
                if (Lower(item.first) != value)
                    continue;
                if (item.second.size() + 1 > 256)
                    return platform::kErrorMoreData;
                text = X(item.second);
                return platform::kSuccess;
            }
        }
        return platform::kErrorFileNotFound;
    }

    void RegistryCloseKey(platform::RegistryKey) override
    {
        ++registryCalls;
        --openKeys;
    }

    bool ReadFileVersion(platform::XStringView path, std::uint32_t& ms, std::uint32_t& ls) override
    {
        const auto found = fileVersions.find(W(path));
        if (found == fileVersions.end())
            return false;
        ms = found->second.first;
        ls = found->second.second;
        return true;
    }

    platform::Status StartProgram(platform::XStringView file, platform::XStringView directory,
                                  platform::ProcessHandle& process) override
    {
        starts.emplace_back(W(file), W(directory));
        const platform::Status status =
            onStart ? onStart(W(file), W(directory)) : platform::kErrorFileNotFound;
        process = status == platform::kSuccess ? 42 : 0;
        return status;
    }
    void WaitForProgram(platform::ProcessHandle) override { ++waits; }
    platform::FolderTrust CheckFolderTrust(platform::XStringView folder) override
    {
        trustChecks.push_back(W(folder));
        const auto found = untrustedFolders.find(W(folder));
        if (found != untrustedFolders.end())
            return found->second;
        platform::FolderTrust trust;
        trust.trusted = true;
        return trust;
    }
    void ShowMessage(platform::XStringView text) override { messages.push_back(W(text)); }
    void SetWaitCursor(bool) override { ++waitCursorChanges; }
    unsigned AnsiCodePage() override { return ansiCodePage; }

    // A version (a.b.c.d) as the two words of the fixed file information.
    static std::pair<std::uint32_t, std::uint32_t> Version(unsigned a, unsigned b, unsigned c,
                                                           unsigned d)
    {
        return {(a << 16) | b, (c << 16) | d};
    }

private:
    std::vector<std::wstring> m_openPaths;
};

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir
{
public:
    TempDir()
    {
        static int counter = 0;
        const auto base = std::filesystem::temp_directory_path();
        for (;;)
        {
            m_path =
                base / ("quenvia-test-" + std::to_string(Pid()) + "-" + std::to_string(++counter));
            if (std::filesystem::create_directories(m_path))
                break;
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return (m_path / name).wstring(); }
    std::wstring Wide() const { return m_path.wstring(); }

    void Write(const std::wstring& name, const std::string& bytes) const;
    std::string Read(const std::wstring& name) const;
    bool Exists(const std::wstring& name) const { return std::filesystem::exists(m_path / name); }

private:
    static long Pid();
    std::filesystem::path m_path;
};

} // namespace testing_support
