// The C interface (<lumbrix/lumbrix.h>), built on OptionsManager: every call
// checks its arguments, turns the manager's results into result codes and
// keeps every exception inside.
#include "lumbrix/lumbrix.h"

#include <afxwin.h>

#include "lumbrix/OptionsManager.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

// The truth-valued members of the manager return "const int".
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

namespace
{

// A record as handed out, with the storage its pointers point into.
struct Record
{
    lumbrix_option option{};
    std::string name;
    std::vector<uint32_t> nextIds;
};

// Whether the text is well-formed UTF-8: no stray continuation byte, no
// overlong form, no surrogate, nothing past U+10FFFF.
bool IsUtf8(const char* text)
{
    platform::XString decoded;
    return platform::DecodeUtf8(text, platform::Utf8Policy::kReject, decoded);
}

// A text argument as the manager takes it; a null stays null.
class Text
{
public:
    explicit Text(const char* utf8) : m_null(utf8 == nullptr)
    {
        if (utf8 != nullptr)
            m_text = CString::FromUtf8(utf8);
    }
    const wchar_t* Get() const { return m_null ? nullptr : m_text.GetString(); }

private:
    bool m_null;
    CString m_text;
};

bool AllUtf8(std::initializer_list<const char*> texts)
{
    return std::all_of(texts.begin(), texts.end(),
                       [](const char* text) { return text == nullptr || IsUtf8(text); });
}

// Runs a call with every exception turned into a result code.
template <typename Call> int Guarded(Call call) noexcept
{
    try
    {
        return call();
    }
    catch (CMemoryException* e)
    {
        e->Delete();
        return LUMBRIX_NO_MEMORY;
    }
    catch (CException* e)
    {
        e->Delete();
        return LUMBRIX_ERROR;
    }
    catch (const std::bad_alloc&)
    {
        return LUMBRIX_NO_MEMORY;
    }
    catch (...)
    {
        return LUMBRIX_ERROR;
    }
}

lumbrix_message_receiver g_receiver = nullptr;
void* g_receiverContext = nullptr;

void ForwardMessage(const CString& text, void*)
{
    if (g_receiver != nullptr)
        g_receiver(text.ToUtf8().c_str(), g_receiverContext);
}

} // namespace

struct lumbrix_manager
{
    template <typename... Args> explicit lumbrix_manager(Args... args) : manager(args...) {}

    // Reads the database unless it is read; a partial read counts as read.
    int EnsureLoaded()
    {
        if (manager.GetPanelCount() != -1)
            return LUMBRIX_OK;
        // Nothing was handed out from an unloaded manager, but be sure.
        records.clear();
        byOption.clear();
        manager.LoadDB();
        return manager.GetPanelCount() != -1 ? LUMBRIX_OK : LUMBRIX_LOAD_FAILED;
    }

    // The record for a locus, made on first use; it lives until the close,
    // since the manager's records live until then (this interface never
    // switches nor rereads a database once read).
    const lumbrix_option* RecordOf(OptionLocus* pLocus)
    {
        std::unique_ptr<Record>& slot = records[pLocus];
        if (!slot)
        {
            auto record = std::make_unique<Record>();
            record->name = pLocus->m_strName.ToUtf8();
            record->nextIds.assign(pLocus->m_arrNextIDs.begin(), pLocus->m_arrNextIDs.end());
            lumbrix_option& option = record->option;
            option.id = pLocus->m_nID;
            option.name = record->name.c_str();
            option.title_id = pLocus->m_nTitleID;
            option.data1 = pLocus->m_nData1;
            option.data2 = pLocus->m_nData2;
            option.data3 = pLocus->m_nData3;
            option.next_panel = pLocus->m_nNextPanel;
            option.next_id_count = record->nextIds.size();
            option.next_ids = record->nextIds.empty() ? nullptr : record->nextIds.data();
            byOption[&record->option] = pLocus;
            slot = std::move(record);
        }
        return &slot->option;
    }

    // The locus of a record this manager handed out, or null.
    OptionLocus* LocusOf(const lumbrix_option* option) const
    {
        const auto found = byOption.find(option);
        return found == byOption.end() ? nullptr : found->second;
    }

    int Choose(uint32_t panel, const lumbrix_option* option, uint32_t* nextPanel, bool save)
    {
        OptionLocus* pLocus = LocusOf(option);
        if (pLocus == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        if (manager.PanelOptionMap(panel) == nullptr)
            return LUMBRIX_UNKNOWN_PANEL;
        const int chosen = save ? manager.SaveLastPanelOptionSeln(panel, pLocus)
                                : manager.SetupNextPanel(panel, pLocus);
        if (!chosen)
            return LUMBRIX_NOT_FOUND;
        if (nextPanel != nullptr)
            *nextPanel = pLocus->m_nNextPanel;
        return LUMBRIX_OK;
    }

    OptionsManager manager;
    std::unordered_map<const OptionLocus*, std::unique_ptr<Record>> records;
    std::unordered_map<const lumbrix_option*, OptionLocus*> byOption;
    std::string setting;
};

extern "C"
{

    const char* lumbrix_version(void)
    {
        return LUMBRIX_VERSION;
    }

    const char* lumbrix_result_text(int result)
    {
        switch (result)
        {
        case LUMBRIX_OK:
            return "no error";
        case LUMBRIX_ERROR:
            return "unexpected failure";
        case LUMBRIX_INVALID_ARGUMENT:
            return "invalid argument";
        case LUMBRIX_INVALID_UTF8:
            return "text is not UTF-8";
        case LUMBRIX_OUT_OF_RANGE:
            return "index out of range";
        case LUMBRIX_UNKNOWN_PANEL:
            return "unknown panel";
        case LUMBRIX_NOT_FOUND:
            return "not found";
        case LUMBRIX_LOAD_FAILED:
            return "the database could not be read";
        case LUMBRIX_SETTING_FAILED:
            return "the setting could not be written";
        case LUMBRIX_NO_MEMORY:
            return "out of memory";
        default:
            return "unknown result code";
        }
    }

    int lumbrix_open(const char* database_path, const char* stream_name, const char* ini_folder,
                     lumbrix_manager** manager)
    {
        if (manager == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *manager = nullptr;
        if (database_path == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        if (!AllUtf8({database_path, stream_name, ini_folder}))
            return LUMBRIX_INVALID_UTF8;
        return Guarded(
            [&]
            {
                const Text path(database_path);
                const Text stream(stream_name);
                const Text folder(ini_folder);
                *manager = stream_name != nullptr
                               ? new lumbrix_manager(path.Get(), stream.Get(), folder.Get())
                               : new lumbrix_manager(path.Get(), folder.Get());
                return LUMBRIX_OK;
            });
    }

    void lumbrix_close(lumbrix_manager* manager)
    {
        Guarded(
            [&]
            {
                delete manager;
                return LUMBRIX_OK;
            });
    }

    int lumbrix_load(lumbrix_manager* manager)
    {
        if (manager == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        return Guarded(
            [&]
            {
                if (manager->manager.GetPanelCount() != -1)
                    return LUMBRIX_OK;
                manager->records.clear();
                manager->byOption.clear();
                return manager->manager.LoadDB() ? LUMBRIX_OK : LUMBRIX_LOAD_FAILED;
            });
    }

    int lumbrix_panel_count(lumbrix_manager* manager, size_t* count)
    {
        if (manager == nullptr || count == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *count = 0;
        return Guarded(
            [&]
            {
                const int loaded = manager->EnsureLoaded();
                if (loaded == LUMBRIX_OK)
                    *count = static_cast<size_t>(manager->manager.GetPanelCount());
                return loaded;
            });
    }

    int lumbrix_panel_number(lumbrix_manager* manager, size_t index, uint32_t* panel)
    {
        if (manager == nullptr || panel == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        return Guarded(
            [&]
            {
                const int loaded = manager->EnsureLoaded();
                if (loaded != LUMBRIX_OK)
                    return loaded;
                if (index >= static_cast<size_t>(manager->manager.GetPanelCount()))
                    return LUMBRIX_OUT_OF_RANGE;
                *panel = manager->manager.GetPanelNumber(static_cast<int>(index));
                return LUMBRIX_OK;
            });
    }

    int lumbrix_load_panel_options(lumbrix_manager* manager, uint32_t panel, size_t* count)
    {
        if (manager == nullptr || count == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *count = 0;
        return Guarded(
            [&]
            {
                const int loaded = manager->EnsureLoaded();
                if (loaded != LUMBRIX_OK)
                    return loaded;
                if (manager->manager.PanelOptionMap(panel) == nullptr)
                    return LUMBRIX_UNKNOWN_PANEL;
                // A panel the choice leads to may offer nothing: an empty list.
                manager->manager.LoadNextPanelOptions(panel, nullptr);
                *count =
                    static_cast<size_t>(manager->manager.RetrieveCurrentPanelOptions()->GetSize());
                return LUMBRIX_OK;
            });
    }

    int lumbrix_option_at(lumbrix_manager* manager, size_t index, const lumbrix_option** option)
    {
        if (manager == nullptr || option == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *option = nullptr;
        return Guarded(
            [&]
            {
                CTypedPtrArray<CObArray, OptionLocus*>* pList =
                    manager->manager.RetrieveCurrentPanelOptions();
                if (index >= static_cast<size_t>(pList->GetSize()))
                    return LUMBRIX_OUT_OF_RANGE;
                OptionLocus* pLocus = pList->GetAt(static_cast<INT_PTR>(index));
                if (pLocus == nullptr)
                    return LUMBRIX_NOT_FOUND;
                *option = manager->RecordOf(pLocus);
                return LUMBRIX_OK;
            });
    }

    int lumbrix_choose(lumbrix_manager* manager, uint32_t panel, const lumbrix_option* option,
                       uint32_t* next_panel)
    {
        if (manager == nullptr || option == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        return Guarded([&] { return manager->Choose(panel, option, next_panel, false); });
    }

    int lumbrix_save_last_choice(lumbrix_manager* manager, uint32_t panel,
                                 const lumbrix_option* option, uint32_t* next_panel)
    {
        if (manager == nullptr || option == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        return Guarded([&] { return manager->Choose(panel, option, next_panel, true); });
    }

    int lumbrix_last_choice(lumbrix_manager* manager, uint32_t panel, const lumbrix_option** option)
    {
        if (manager == nullptr || option == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *option = nullptr;
        return Guarded(
            [&]
            {
                const int loaded = manager->EnsureLoaded();
                if (loaded != LUMBRIX_OK)
                    return loaded;
                if (manager->manager.PanelOptionMap(panel) == nullptr)
                    return LUMBRIX_UNKNOWN_PANEL;
                OptionLocus* pLocus = nullptr;
                if (!manager->manager.RetrieveLastPanelOptionSeln(panel, pLocus) ||
                    pLocus == nullptr)
                    return LUMBRIX_NOT_FOUND;
                *option = manager->RecordOf(pLocus);
                return LUMBRIX_OK;
            });
    }

    int lumbrix_get_setting(lumbrix_manager* manager, const char* section, const char* key,
                            const char* default_value, const char** value)
    {
        if (manager == nullptr || value == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        *value = nullptr;
        if (!AllUtf8({section, key, default_value}))
            return LUMBRIX_INVALID_UTF8;
        return Guarded(
            [&]
            {
                const CString strValue = manager->manager.GetProfileStringW(
                    Text(section).Get(), Text(key).Get(), Text(default_value).Get());
                manager->setting = strValue.ToUtf8();
                *value = manager->setting.c_str();
                return LUMBRIX_OK;
            });
    }

    int lumbrix_set_setting(lumbrix_manager* manager, const char* section, const char* key,
                            const char* value)
    {
        if (manager == nullptr)
            return LUMBRIX_INVALID_ARGUMENT;
        if (!AllUtf8({section, key, value}))
            return LUMBRIX_INVALID_UTF8;
        return Guarded(
            [&]
            {
                return manager->manager.WriteProfileStringW(Text(section).Get(), Text(key).Get(),
                                                            Text(value).Get())
                           ? LUMBRIX_OK
                           : LUMBRIX_SETTING_FAILED;
            });
    }

    void lumbrix_set_message_receiver(lumbrix_message_receiver receiver, void* context)
    {
        g_receiver = receiver;
        g_receiverContext = context;
        AfxSetMessageHandler(receiver != nullptr ? ForwardMessage : nullptr, nullptr);
    }

} // extern "C"
