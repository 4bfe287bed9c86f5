// WizardWalk: loading the options database and walking its panels the way
// lumbrix-wizard does, one page of the wizard per panel.
#include "WizardWalk.h"

#include "ResourceText.h"
#include "resource.h"

#include <algorithm>

const wchar_t kWizardTitle[] = L"Lumbrix Wizard";

namespace
{

// The caption of the library's own messages.
const wchar_t kLibraryCaption[] = L"Lumbrix";

bool ParseNumber(const std::wstring& text, unsigned int& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long number = 0;
    for (wchar_t c : text)
    {
        if (c < L'0' || c > L'9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    if (number > 0xFFFFFFFFULL)
        return false;
    value = static_cast<unsigned int>(number);
    return true;
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

// The library's messages, shown as message boxes of the wizard's window
// (or on their own before it exists).
void ShowLibraryMessage(const wchar_t* pszMessage, void* pContext)
{
    const WizardWalk* walk = static_cast<const WizardWalk*>(pContext);
    MessageBoxW(walk->Window(), pszMessage, kLibraryCaption, MB_OK | MB_ICONEXCLAMATION);
}

// The number of the file's first panel; false when it holds none.
bool FirstPanel(const OptionsManager& manager, unsigned int& nPanel)
{
    if (manager.GetPanelCount() <= 0)
        return false;
    nPanel = manager.GetPanelNumber(0);
    return true;
}

} // namespace

bool ParseWizardArguments(const std::vector<std::wstring>& arguments, WizardArguments& parsed)
{
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::wstring& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == L"--stream" && hasValue)
            parsed.stream = arguments[++i];
        else if (arg == L"--ini-dir" && hasValue)
            parsed.iniDirectory = arguments[++i];
        else if (arg == L"--panel" && hasValue)
        {
            if (!ParseNumber(arguments[++i], parsed.panel))
                return false;
            parsed.hasPanel = true;
        }
        else if (!arg.empty() && arg[0] != L'-' && parsed.database.empty())
            parsed.database = arg;
        else
            return false;
    }
    return !parsed.database.empty();
}

WizardWalk::WizardWalk(const WizardArguments& arguments) : m_arguments(arguments)
{
    // Both paths absolute: the INI file's path is derived from the
    // database's folder, and a relative INI path would mean the Windows
    // folder. The INI directory is joined to a base name as it stands, so it
    // carries its backslash.
    m_databasePath = FullPath(arguments.database);
    if (!arguments.iniDirectory.empty())
    {
        m_iniDirectory = FullPath(arguments.iniDirectory);
        if (m_iniDirectory.empty() || m_iniDirectory.back() != L'\\')
            m_iniDirectory += L'\\';
    }
    LumbrixSetMessageReceiver(ShowLibraryMessage, this);
}

WizardWalk::~WizardWalk()
{
    LumbrixSetMessageReceiver(nullptr, nullptr);
}

void WizardWalk::Tell(const std::wstring& text) const
{
    MessageBoxW(m_hwndSheet, text.c_str(), kWizardTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool WizardWalk::Start()
{
    const wchar_t* pszIniDirectory = m_iniDirectory.empty() ? nullptr : m_iniDirectory.c_str();
    if (m_arguments.stream.empty())
        m_manager = std::make_unique<OptionsManager>(m_databasePath.c_str(), pszIniDirectory);
    else
        m_manager = std::make_unique<OptionsManager>(m_databasePath.c_str(),
                                                     m_arguments.stream.c_str(), pszIniDirectory);

    const HCURSOR hPrevious = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const bool loaded = m_manager->LoadDB() != 0;
    SetCursor(hPrevious);
    if (!loaded)
        return false; // the library has said why

    unsigned int nPanel = m_arguments.panel;
    if (!m_arguments.hasPanel && !FirstPanel(*m_manager, nPanel))
    {
        Tell(LoadText(IDS_NO_PANELS));
        return false;
    }
    PanelStep first = MakeStep(nPanel);
    if (first.options.empty())
    {
        Tell(FormatText(IDS_PANEL_OFFERS_NOTHING, {std::to_wstring(nPanel)}));
        return false;
    }
    m_steps.push_back(std::move(first));
    return true;
}

PanelStep WizardWalk::MakeStep(unsigned int nPanel)
{
    PanelStep step;
    step.panel = nPanel;
    CTypedPtrArray<CObArray, OptionLocus*>* pOptions =
        m_manager->LoadNextPanelOptions(nPanel, nullptr);
    if (pOptions == nullptr)
        return step;
    for (INT_PTR i = 0; i < pOptions->GetSize(); ++i)
        step.options.push_back(pOptions->GetAt(i));
    if (step.options.empty())
        return step;

    // The stored choice when this list offers it, else the first listed.
    OptionLocus* pStored = nullptr;
    m_manager->RetrieveLastPanelOptionSeln(nPanel, pStored);
    const auto found = std::find(step.options.begin(), step.options.end(), pStored);
    step.selected =
        found == step.options.end() ? 0 : static_cast<int>(found - step.options.begin());
    return step;
}

void WizardWalk::Select(int index)
{
    PanelStep& step = m_steps.back();
    if (index >= 0 && index < static_cast<int>(step.options.size()))
        step.selected = index;
}

OptionLocus* WizardWalk::Selected() const
{
    const PanelStep& step = m_steps.back();
    if (step.selected < 0 || step.selected >= static_cast<int>(step.options.size()))
        return nullptr;
    return step.options[static_cast<std::size_t>(step.selected)];
}

bool WizardWalk::LeadsOn() const
{
    const OptionLocus* pLocus = Selected();
    return pLocus != nullptr && pLocus->m_nNextPanel != 0 &&
           m_manager->PanelOptionMap(pLocus->m_nNextPanel) != nullptr;
}

void WizardWalk::Next()
{
    OptionLocus* pLocus = Selected();
    if (!LeadsOn())
        return;
    const unsigned int nPanel = Current().panel;
    Save(nPanel, pLocus);
    m_manager->SetupNextPanel(nPanel, pLocus);
    m_steps.push_back(MakeStep(pLocus->m_nNextPanel));
}

void WizardWalk::Save(unsigned int nPanel, OptionLocus* pLocus)
{
    m_manager->SaveLastPanelOptionSeln(nPanel, pLocus);
    // The manager does not report a write that the INI file refused (a name
    // its encoding cannot hold, a file that cannot be written).
    CString strSection;
    strSection.Format(m_manager->HeaderFormatString(), nPanel);
    if (m_manager->GetProfileStringW(strSection, m_manager->LastOptionString(), nullptr) !=
        pLocus->m_strName)
        Tell(FormatText(IDS_CHOICE_NOT_KEPT,
                        {std::wstring(pLocus->m_strName.GetString()), std::to_wstring(nPanel)}));
}

void WizardWalk::Back()
{
    if (CanGoBack())
        m_steps.pop_back();
}

void WizardWalk::Finish()
{
    OptionLocus* pLocus = Selected();
    if (pLocus != nullptr)
        Save(Current().panel, pLocus);
    m_exit = kWizardFinished;
}
