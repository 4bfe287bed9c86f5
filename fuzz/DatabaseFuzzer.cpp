// A whole options database as someone else wrote it, loaded by the manager
// as a plain file and as a compound file, then walked the way a wizard walks
// it: every panel's list, the last choice, the choice and the panel it leads
// to, and the lookups by position, name and title.
#include "FuzzSupport.h"

#include "lumbrix/OptionsManager.h"

#include <cstdint>

namespace
{

using fuzzing::Require;

// Real files; INI settings kept nowhere, so that one input cannot change
// how the next one runs.
class DatabaseOs : public fuzzing::QuietOs
{
public:
    platform::XString GetPrivateProfileText(const platform::XString*, const platform::XString*,
                                            const platform::XString* defaultText,
                                            std::size_t bufferSize,
                                            const platform::XString&) override
    {
        platform::XString text = defaultText != nullptr ? *defaultText : platform::XString();
        if (bufferSize > 0 && text.size() > bufferSize - 1)
            text.resize(bufferSize - 1);
        return text;
    }
    bool WritePrivateProfileText(const platform::XString*, const platform::XString*,
                                 const platform::XString*, const platform::XString&) override
    {
        return true;
    }
};

int g_messages = 0;

void CountMessage(const wchar_t*, void*)
{
    ++g_messages;
}

void CheckSorted(const CTypedPtrArray<CObArray, OptionLocus*>& list)
{
    for (INT_PTR i = 0; i < list.GetSize(); ++i)
    {
        Require(list[i] != nullptr, "lists hold records only");
        if (i > 0)
            Require(list[i - 1]->m_strName.Compare(list[i]->m_strName) <= 0,
                    "lists are sorted by name");
    }
}

void WalkPanel(OptionsManager& manager, unsigned panel)
{
    CTypedPtrArray<CObArray, OptionLocus*>* list = manager.LoadNextPanelOptions(panel, nullptr);
    if (list != nullptr)
        CheckSorted(*list);

    OptionLocus* last = nullptr;
    const int found = manager.RetrieveLastPanelOptionSeln(panel, last);
    Require((found != 0) == (last != nullptr), "a last choice comes with its result");
    if (last == nullptr)
        return;
    Require(manager.RetrieveOption(panel, last->m_strName) == last,
            "the last choice is found by its name");
    Require(manager.GetOptionFromTitleID(panel, last->m_nTitleID) != nullptr,
            "an option is found by its own title");
    manager.RetrieveOption(panel, 0u);

    Require(manager.SaveLastPanelOptionSeln(panel, last) == 1, "an option of the panel is saved");
    unsigned next = panel;
    manager.GetNextOptionFromTitleID(last, next, last->m_nTitleID);
    Require(next == last->m_nNextPanel, "following a choice leads to its next panel");
    CTypedPtrArray<CObArray, OptionLocus*>* offered =
        manager.LoadNextPanelOptions(last->m_nNextPanel, nullptr);
    if (offered != nullptr)
    {
        CheckSorted(*offered);
        Require(offered->GetSize() <= last->m_arrNextIDs.GetSize(),
                "a choice offers no more options than it names");
    }
}

void Load(OptionsManager& manager)
{
    g_messages = 0;
    const int loaded = manager.LoadDB();
    Require((loaded == 1) == (g_messages == 0), "a load fails exactly when it says why");
    const int panels = manager.GetPanelCount();
    if (panels == -1)
        return;
    // A refused count stays as read; no more panels than slots are held.
    Require(panels <= 32, "no more panels than slots");
    for (int i = 0; i < panels; ++i)
        WalkPanel(manager, manager.GetPanelNumber(i));
    // A panel that the file does not name finds nothing.
    manager.RetrieveOption(0xFFFFFFFFu, 0u);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static DatabaseOs os;
    static const platform::ScopedOs scope(os);
    static const fuzzing::InputFile file("options.db");
    static const bool receiving = (LumbrixSetMessageReceiver(CountMessage, nullptr), true);
    (void)receiving;

    file.Write(data, size);
    const std::wstring path = file.WidePath();
    {
        OptionsManager plain(path.c_str(), nullptr);
        Load(plain);
    }
    {
        OptionsManager compound(path.c_str(), L"Options", nullptr);
        Load(compound);
    }
    return 0;
}
