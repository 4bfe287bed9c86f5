// LumbrixWizard.exe: walks the panels of an options database in a wizard,
// with OptionsManager from Lumbrix.dll.
//
//   LumbrixWizard.exe DATABASE [--stream NAME] [--panel N] [--ini-dir DIR]
//
//   LumbrixWizard.exe --help | --version
//
// Exit code 0 after Finish, 1 after Cancel, 2 when the command line is wrong
// or the database cannot be used. --help shows the usage and --version the
// version, each in a message box, and exit with 0.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "PanelPage.h"
#include "ResourceText.h"
#include "WizardWalk.h"
#include "resource.h"

#include <lumbrix/version.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

std::vector<std::wstring> Arguments()
{
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(argv[i]);
    LocalFree(argv);
    return arguments;
}

int RunWizard(HINSTANCE hInstance, WizardWalk& walk)
{
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT | PSP_HIDEHEADER;
    page.hInstance = hInstance;
    page.pszTemplate = MAKEINTRESOURCEW(IDD_PANEL_PAGE);
    page.pfnDlgProc = PanelPageProc;
    page.lParam = reinterpret_cast<LPARAM>(&walk);
    HPROPSHEETPAGE pages[] = {CreatePropertySheetPageW(&page)};
    if (pages[0] == nullptr)
        return kWizardUnusable;

    PROPSHEETHEADERW sheet = {};
    sheet.dwSize = sizeof(sheet);
    sheet.dwFlags = PSH_WIZARD97;
    sheet.hInstance = hInstance;
    sheet.pszCaption = kWizardTitle;
    sheet.nPages = 1;
    sheet.phpage = pages;
    PropertySheetW(&sheet);
    return walk.Exit();
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    const std::vector<std::wstring> given = Arguments();
    const auto asks = [&given](const wchar_t* option)
    { return std::find(given.begin(), given.end(), option) != given.end(); };
    if (asks(L"--help"))
    {
        MessageBoxW(nullptr, LoadText(IDS_USAGE).c_str(), kWizardTitle, MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    if (asks(L"--version"))
    {
        MessageBoxW(nullptr, L"LumbrixWizard.exe " LUMBRIX_VERSION, kWizardTitle,
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    WizardArguments arguments;
    if (!ParseWizardArguments(given, arguments))
    {
        MessageBoxW(nullptr, LoadText(IDS_USAGE).c_str(), kWizardTitle, MB_OK | MB_ICONINFORMATION);
        return kWizardUnusable;
    }
    WizardWalk walk(arguments);
    return RunWizard(hInstance, walk);
}
