#include "Sandbox.h"

#include "PeFixture.h"

#include <fstream>
#include <iterator>
#include <regex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace e2e
{
namespace
{

const std::wstring kProductKey32 = L"SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0";
const std::wstring kUninstallKey32 =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";
const std::wstring kProductKey64 = L"SOFTWARE\\Wow6432Node\\DORVANE Software Inc.\\Quenvia\\14.0";
const std::wstring kUninstallKey64 =
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia 14.0";

// A product executable whose version resource holds a file version.
void WriteVersionedExecutable(const fs::path& path, unsigned a, unsigned b, unsigned c, unsigned d)
{
    testing_support::PeOptions options;
    options.pe32Plus = true;
    options.fileVersion = {static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                           static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(d)};
    testing_support::BuildPeImage(options).Write(path);
}

#ifdef _WIN32
void SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& value)
{
    HKEY handle = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &handle, nullptr);
    RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

void RemoveProductKeys()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\DORVANE Software Inc.");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\DORVANE Software Inc.");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey64.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey32.c_str());
}
#endif

// A path as the process runner takes it, whatever the locale.
std::wstring Wide(const fs::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    return platform::ToWide(platform::FromUtf8(path.string()));
#endif
}

} // namespace

Sandbox::Sandbox(const fs::path& patchFolderName) : m_patchFolderName(patchFolderName)
{
    fs::create_directories(PatchFolder());
    fs::create_directories(ProductFolder());
    fs::create_directories(PatchFolder() / L"payload");
    const fs::path program = testing_support::ExecutableFolder();
#ifdef _WIN32
    fs::copy_file(program / L".." / L".." / L"updater" / L"Brantel.exe",
                  PatchFolder() / L"Brantel.exe");
#else
    fs::copy_file(program / L".." / L".." / L"updater" / L"brantel", PatchFolder() / L"brantel");
#endif
    fs::copy_file(FakeInstaller(), PatchFolder() / L"setup.exe");
#ifdef _WIN32
    RemoveProductKeys();
#endif
}

Sandbox::~Sandbox()
{
#ifdef _WIN32
    if (m_registered)
        RemoveProductKeys();
#endif
}

fs::path Sandbox::FakeInstaller()
{
#ifdef _WIN32
    return fs::path(testing_support::ExecutableFolder()) / L"fake_installer.exe";
#else
    return fs::path(testing_support::ExecutableFolder()) / L"fake_installer";
#endif
}

void Sandbox::RegisterProduct(const ProductKeys& keys)
{
    const std::wstring installPath =
        keys.installPath.empty() ? ProductFolder().wstring() : keys.installPath;
    const std::wstring displayIcon =
        keys.displayIcon.empty() ? ProductExecutable().wstring() : keys.displayIcon;
    m_registered = true;
#ifdef _WIN32
    // A 64-bit Wine prefix has Wow6432Node: the product lives under it.
    SetValue(kProductKey64, L"Version", keys.version);
    SetValue(kProductKey64, L"Installpath", installPath);
    SetValue(kUninstallKey64, L"DisplayIcon", displayIcon);
#else
    auto escape = [](const std::wstring& text)
    {
        std::string out;
        for (char c : platform::ToUtf8(platform::FromWide(text.c_str(), text.size())))
        {
            if (c == '\\' || c == '"')
                out += '\\';
            out += c;
        }
        return out;
    };
    std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
    reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\DORVANE Software Inc.\\Quenvia\\14.0]\r\n";
    reg += "\"Version\"=\"" + escape(keys.version) + "\"\r\n";
    reg += "\"Installpath\"=\"" + escape(installPath) + "\"\r\n\r\n";
    reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenvia "
           "14.0]\r\n";
    reg += "\"DisplayIcon\"=\"" + escape(displayIcon) + "\"\r\n";
    if (!keys.ansiCodePage.empty())
    {
        reg += "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n";
        reg += "\"ACP\"=\"" + escape(keys.ansiCodePage) + "\"\r\n";
    }
    Write(Root() / L"registry.reg", reg);
#endif
}

void Sandbox::WriteProduct(unsigned a, unsigned b, unsigned c, unsigned d)
{
    WriteVersionedExecutable(ProductExecutable(), a, b, c, d);
}

void Sandbox::WritePayload(unsigned a, unsigned b, unsigned c, unsigned d)
{
    WriteVersionedExecutable(PatchFolder() / L"payload" / L"Qvw.exe", a, b, c, d);
}

void Sandbox::WriteDescriptor(const std::string& text)
{
    Write(PatchFolder() / L"brantel.dat", text);
}

void Sandbox::WriteStandardDescriptor()
{
    WriteDescriptor("PatchInfo=Quenvia 14.0 Patch 5\r\nPatchFile=setup.exe\r\n"
                    "PatchVersion=14.0.0.5\r\nPreviousVersions=14.0.0.3, 14.0.0.4\r\n");
}

void Sandbox::WriteInstallerScript(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    Write(PatchFolder() / L"installer-script.txt", text);
}

void Sandbox::InstallerCopiesPayload()
{
    WriteInstallerScript({"copy " + Utf8(PatchFolder() / L"payload" / L"Qvw.exe") + "|" +
                          Utf8(ProductExecutable())});
}

void Sandbox::StandardInstallation()
{
    RegisterProduct();
    WriteProduct(14, 0, 0, 4);
    WritePayload(14, 0, 0, 5);
    WriteStandardDescriptor();
    InstallerCopiesPayload();
}

testing_support::RunResult Sandbox::Run(const std::vector<std::wstring>& arguments,
                                        const fs::path& workingFolder,
                                        const std::map<std::string, std::string>& environment)
{
    const fs::path folder = workingFolder.empty() ? PatchFolder() : workingFolder;
#ifdef _WIN32
    return testing_support::RunProgram(Wide(PatchFolder() / L"Brantel.exe"), arguments,
                                       Wide(folder), environment);
#else
    std::map<std::string, std::string> variables = environment;
    variables["BRANTEL_REGISTRY"] = Utf8(Root() / L"registry.reg");
    return testing_support::RunProgram(Wide(PatchFolder() / L"brantel"), arguments, Wide(folder),
                                       variables);
#endif
}

std::string Sandbox::Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Sandbox::Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Sandbox::Utf8(const fs::path& path)
{
    return path.u8string();
}

std::string ConsoleText(const std::string& text)
{
#ifdef _WIN32
    std::string out;
    for (char c : text)
    {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

std::string LogBody(const std::string& message)
{
    std::string out;
    for (char c : message)
    {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out + "=========== (Quenvia 14.0 Patch Update Utility 1.0.5) Patch Update : End  "
                 "=============";
}

bool SplitLog(const std::string& log, std::string& body)
{
    static const std::regex header(
        "={89}\r\n\r\nQuenvia 14\\.0 Patch Update Utility Version : 1\\.0\\.5\r\n\r\n"
        "Quenvia 14\\.0 Patch Update Utility Date/Time : "
        "(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday) [0-2][0-9]:[0-5][0-9], "
        "(January|February|March|April|May|June|July|August|September|October|November|December) "
        "[0-3][0-9], 2[0-9]{3}\r\n\r\n={89}\r\n\r\n");
    std::smatch match;
    if (!std::regex_search(log, match, header) || match.position(0) != 0)
        return false;
    body = log.substr(static_cast<std::size_t>(match.length(0)));
    return true;
}

} // namespace e2e
