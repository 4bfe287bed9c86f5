// lumbrix-wizard: walks a person through the panels of an options database,
// the way an application's wizard does with OptionsManager.
//
//   lumbrix-wizard DATABASE [--stream NAME] [--panel NUMBER] [--ini-dir DIR] [--auto]
//
// Each panel's options are shown in name order, the one to preselect marked
// with '*'. Enter takes it; a number takes that option; q stops. The choice is
// saved in the manager's INI file (beside the database unless --ini-dir says
// otherwise) and the chosen option's next panel follows, until there is none.
// --auto takes every preselection without asking. --help prints this usage,
// --version the version; both exit with 0.
#include <lumbrix/OptionsManager.h>
#include <lumbrix/version.h>
#include <platform/file.h>
#include <platform/program.h>
#include <platform/text.h>

#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace
{

// The number of the file's first panel; false when it holds none.
bool FirstPanel(const OptionsManager& manager, unsigned int& nPanel)
{
    if (manager.GetPanelCount() <= 0)
        return false;
    nPanel = manager.GetPanelNumber(0);
    return true;
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string Utf8(const CString& text)
{
    return text.ToUtf8();
}

CString Wide(const std::string& utf8)
{
    return CString::FromUtf8(utf8);
}

CString Absolute(const std::string& utf8)
{
    return CString(platform::FullPath(platform::FromUtf8(utf8)));
}

struct Options
{
    std::string database;
    std::string stream;
    std::string iniDirectory;
    bool hasPanel = false;
    unsigned int panel = 0;
    bool automatic = false;
    bool help = false;
    bool version = false;
};

const char kUsageText[] =
    "usage: lumbrix-wizard DATABASE [--stream NAME] [--panel NUMBER] [--ini-dir DIR] [--auto]\n";

int Usage()
{
    std::fputs(kUsageText, stderr);
    return 2;
}

bool ParseNumber(const std::string& text, unsigned int& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long number = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > 0xFFFFFFFFULL)
        return false;
    value = static_cast<unsigned int>(number);
    return true;
}

bool ParseArguments(int argc, char* argv[], Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help")
            options.help = true;
        else if (arg == "--version")
            options.version = true;
        else if (arg == "--auto")
            options.automatic = true;
        else if (arg == "--stream" && hasValue)
            options.stream = argv[++i];
        else if (arg == "--ini-dir" && hasValue)
            options.iniDirectory = argv[++i];
        else if (arg == "--panel" && hasValue)
        {
            if (!ParseNumber(argv[++i], options.panel))
                return false;
            options.hasPanel = true;
        }
        else if (!arg.empty() && arg[0] != '-' && options.database.empty())
            options.database = arg;
        else
            return false;
    }
    return !options.database.empty() || options.help || options.version;
}

bool Lists(const CTypedPtrArray<CObArray, OptionLocus*>& options, const OptionLocus* pLocus)
{
    for (INT_PTR i = 0; i < options.GetSize(); ++i)
    {
        if (options.GetAt(i) == pLocus)
            return true;
    }
    return false;
}

// The person's choice among count options: 0 for the preselected one, 1..count
// for a numbered one, -1 to stop.
int AskChoice(std::size_t count)
{
    for (;;)
    {
        Print("Choice [Enter = *, 1-" + std::to_string(count) + ", q = quit]: ");
        std::string line;
        if (!std::getline(std::cin, line))
            return -1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            return 0;
        if (line == "q" || line == "Q")
            return -1;
        unsigned int number = 0;
        if (ParseNumber(line, number) && number >= 1 && number <= count)
            return static_cast<int>(number);
        Print("Please type a number from 1 to " + std::to_string(count) + ".\n");
    }
}

int Run(int argc, char* argv[])
{
    Options options;
    if (!ParseArguments(argc, argv, options))
        return Usage();
    if (options.help)
    {
        Print(kUsageText);
        return 0;
    }
    if (options.version)
    {
        Print("lumbrix-wizard " LUMBRIX_VERSION "\n");
        return 0;
    }

    // Both paths made absolute: the INI path is derived from the database
    // path's last separator (none in a bare file name, which would turn the
    // INI file off), and a relative INI path means the Windows folder to the
    // profile functions. The INI directory is joined to the base name as it
    // stands, so it needs its separator at the end.
    CString strIniDirectory;
    if (!options.iniDirectory.empty())
    {
        strIniDirectory = Absolute(options.iniDirectory);
        const wchar_t separator = static_cast<wchar_t>(platform::kPathSeparator);
        if (strIniDirectory.IsEmpty() ||
            strIniDirectory[strIniDirectory.GetLength() - 1] != separator)
            strIniDirectory += separator;
    }
    const wchar_t* pszIniDirectory =
        options.iniDirectory.empty() ? nullptr : strIniDirectory.GetString();

    const CString strDatabase = Absolute(options.database);
    const CString strStream = Wide(options.stream);
    OptionsManager* pManager = options.stream.empty()
                                   ? new OptionsManager(strDatabase, pszIniDirectory)
                                   : new OptionsManager(strDatabase, strStream, pszIniDirectory);

    if (!pManager->LoadDB())
    {
        std::fputs("lumbrix-wizard: the options database could not be loaded.\n", stderr);
        delete pManager;
        return 1;
    }
    unsigned int nPanel = options.panel;
    if (!options.hasPanel && !FirstPanel(*pManager, nPanel))
    {
        Print("The options database holds no panels.\n");
        delete pManager;
        return 0;
    }

    std::vector<std::string> summary;
    std::set<unsigned int> visited;
    int result = 0;
    for (;;)
    {
        CTypedPtrArray<CObArray, OptionLocus*>* pOptions =
            pManager->LoadNextPanelOptions(nPanel, nullptr);
        if (pOptions == nullptr || pOptions->GetSize() == 0)
        {
            Print("Panel " + std::to_string(nPanel) + " offers no options.\n");
            if (summary.empty())
                result = 1;
            break;
        }
        OptionLocus* pPreselected = nullptr;
        pManager->RetrieveLastPanelOptionSeln(nPanel, pPreselected);
        // The stored choice (or the panel's first name) may be an option that
        // the previous choice does not offer: only a listed one may be taken.
        if (!Lists(*pOptions, pPreselected))
            pPreselected = pOptions->GetAt(0);

        Print("\nPanel " + std::to_string(nPanel) + "\n");
        const std::size_t count = static_cast<std::size_t>(pOptions->GetSize());
        for (std::size_t i = 0; i < count; ++i)
        {
            OptionLocus* pLocus = pOptions->GetAt(static_cast<INT_PTR>(i));
            std::string line = (pLocus == pPreselected ? "  * " : "    ");
            line += std::to_string(i + 1) + ") " + Utf8(pLocus->m_strName);
            if (pLocus->m_nNextPanel != 0)
                line += "  -> panel " + std::to_string(pLocus->m_nNextPanel);
            Print(line + "\n");
        }

        OptionLocus* pChosen = pPreselected;
        if (!options.automatic)
        {
            const int choice = AskChoice(count);
            if (choice < 0)
            {
                Print("Stopped.\n");
                break;
            }
            if (choice > 0)
                pChosen = pOptions->GetAt(choice - 1);
        }
        Print("Chosen: " + Utf8(pChosen->m_strName) + "\n");
        pManager->SaveLastPanelOptionSeln(nPanel, pChosen);
        // The manager does not report a write the INI file refused (a name
        // its encoding cannot hold, a file that cannot be written).
        CString strSection;
        strSection.Format(pManager->HeaderFormatString(), nPanel);
        if (pManager->GetProfileStringW(strSection, pManager->LastOptionString(), nullptr) !=
            pChosen->m_strName)
            Print("(The INI file could not keep this choice.)\n");
        summary.push_back(std::to_string(nPanel) + ": " + Utf8(pChosen->m_strName));
        visited.insert(nPanel);

        const unsigned int nNext = pChosen->m_nNextPanel;
        if (nNext == 0)
            break;
        if (pManager->PanelOptionMap(nNext) == nullptr)
        {
            Print("Panel " + std::to_string(nNext) +
                  " is not in the options database; stopping.\n");
            break;
        }
        if (options.automatic && visited.count(nNext) != 0)
        {
            // Preselections alone would go round this loop for ever.
            Print("Panel " + std::to_string(nNext) + " was shown already; stopping.\n");
            break;
        }
        nPanel = nNext;
    }

    if (!summary.empty())
    {
        Print("\nChoices:\n");
        for (const std::string& line : summary)
            Print("  panel " + line + "\n");
    }
    delete pManager;
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    // Paths outside the ANSI code page arrive intact, in UTF-8.
    const platform::ProgramArguments arguments(argc, argv);
    return Run(argc, argv);
}
