// WizardWalk: the state of one walk through the panels of an options
// database, shared by the wizard's pages. It owns the OptionsManager and the
// panels shown so far, so that Back finds each earlier panel as it was left.
#pragma once

#include "LumbrixHeaders.h"

#include <memory>
#include <string>
#include <vector>

// What the command line asks for.
struct WizardArguments
{
    std::wstring database;
    std::wstring stream;
    std::wstring iniDirectory;
    bool hasPanel = false;
    unsigned int panel = 0;
};

// Reads "DATABASE [--stream NAME] [--panel N] [--ini-dir DIR]"; false when
// the line does not have that shape.
bool ParseWizardArguments(const std::vector<std::wstring>& arguments, WizardArguments& parsed);

// The ends of a walk, as the program's exit code.
enum WizardExit
{
    kWizardFinished = 0,
    kWizardCancelled = 1,
    kWizardUnusable = 2
};

// One panel as the wizard shows it: its options in the library's order and
// the one selected.
struct PanelStep
{
    unsigned int panel = 0;
    std::vector<OptionLocus*> options;
    int selected = -1;
};

class WizardWalk
{
public:
    explicit WizardWalk(const WizardArguments& arguments);
    ~WizardWalk();
    WizardWalk(const WizardWalk&) = delete;
    WizardWalk& operator=(const WizardWalk&) = delete;

    // The wizard's window: the owner of every message shown from now on.
    void SetWindow(HWND hwndSheet) { m_hwndSheet = hwndSheet; }
    HWND Window() const { return m_hwndSheet; }

    // Loads the database (wait cursor, the library's messages owned by the
    // wizard) and sets up the first panel; false when the database cannot
    // be used, after the person has been told why.
    bool Start();
    bool Started() const { return !m_steps.empty(); }

    const PanelStep& Current() const { return m_steps.back(); }
    void Select(int index);
    OptionLocus* Selected() const;
    bool CanGoBack() const { return m_steps.size() > 1; }
    // Whether the selected option leads to a panel of the database.
    bool LeadsOn() const;

    // Next: the choice saved and followed to the panel it leads to.
    void Next();
    // Back: the previous panel, its choice still selected.
    void Back();
    // Finish: the last panel's choice saved.
    void Finish();

    WizardExit Exit() const { return m_exit; }
    void SetExit(WizardExit exit) { m_exit = exit; }

private:
    PanelStep MakeStep(unsigned int panel);
    // Saves the choice of a panel, and tells when the INI file refused it.
    void Save(unsigned int panel, OptionLocus* pLocus);
    void Tell(const std::wstring& text) const;

    WizardArguments m_arguments;
    std::wstring m_databasePath;
    std::wstring m_iniDirectory;
    std::unique_ptr<OptionsManager> m_manager;
    std::vector<PanelStep> m_steps;
    HWND m_hwndSheet = nullptr;
    WizardExit m_exit = kWizardCancelled;
};

// The window title, also the caption of the wizard's own messages.
extern const wchar_t kWizardTitle[];
