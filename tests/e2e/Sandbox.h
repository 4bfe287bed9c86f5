// A throw-away installation of Quenvia 14.0 and a patch folder holding
// Brantel, its descriptor and an installer, for end-to-end runs of the real
// program.
#pragma once

#include "FakeOs.h"
#include "ProcessRunner.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace e2e
{

namespace fs = std::filesystem;

struct ProductKeys
{
    std::wstring version = L"14.0";
    std::wstring installPath; // empty: the sandbox's product folder
    std::wstring displayIcon; // empty: the product executable's path
    // Linux: the system's code page (ACP) in the registry file; empty: none.
    // Windows keeps its own (under Wine it follows the locale, LC_ALL).
    std::wstring ansiCodePage;
};

class Sandbox
{
public:
    // The patch folder's name may be any name the platform allows.
    explicit Sandbox(const fs::path& patchFolderName = L"patch");
    ~Sandbox();

    fs::path PatchFolder() const { return m_dir.Path() / m_patchFolderName; }
    fs::path ProductFolder() const { return m_dir.Path() / L"product"; }
    fs::path ProductExecutable() const { return ProductFolder() / L"Qvw.exe"; }
    fs::path Record() const { return ProductFolder() / L"installedupdates.dat"; }
    fs::path Log() const { return PatchFolder() / L"Log_QVW_14_Brantel.txt"; }
    fs::path Root() const { return m_dir.Path(); }

    // The product's registry keys (Mode 2 on Linux, Mode 1 under Wine).
    void RegisterProduct(const ProductKeys& keys = ProductKeys());
    // A product executable carrying a file version.
    void WriteProduct(unsigned a, unsigned b, unsigned c, unsigned d);
    // The version the installer puts in place of the product executable.
    void WritePayload(unsigned a, unsigned b, unsigned c, unsigned d);
    void WriteDescriptor(const std::string& text);
    // The standard descriptor: PatchInfo, setup.exe, 14.0.0.5, from 14.0.0.4.
    void WriteStandardDescriptor();
    // Lines of the fake installer's script (see FakeInstaller.cpp).
    void WriteInstallerScript(const std::vector<std::string>& lines);
    // The installer copies the payload over the product executable.
    void InstallerCopiesPayload();
    // A product at 14.0.0.4, a patch to 14.0.0.5 whose installer copies it in.
    void StandardInstallation();

    testing_support::RunResult Run(const std::vector<std::wstring>& arguments = {},
                                   const fs::path& workingFolder = fs::path(),
                                   const std::map<std::string, std::string>& environment = {});

    static std::string Read(const fs::path& path);
    static void Write(const fs::path& path, const std::string& bytes);
    static std::string Utf8(const fs::path& path);
    static fs::path FakeInstaller();

private:
    testing_support::TempDir m_dir;
    fs::path m_patchFolderName;
    bool m_registered = false;
};

// Console text as the program writes it on this platform (CR LF on Windows).
std::string ConsoleText(const std::string& text);
// The log's expected content after its header (run message and footer),
// with CR LF line ends.
std::string LogBody(const std::string& message);
// Checks the header of a log and returns the rest; empty header = failure.
bool SplitLog(const std::string& log, std::string& body);

} // namespace e2e
