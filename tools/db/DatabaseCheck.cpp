// The checks of `lumbrix-db check`.
#include "DatabaseCheck.h"

#include <lumbrix/OptionsManager.h>

#include <map>
#include <memory>
#include <set>
#include <utility>

namespace lumbrix_db
{
namespace
{

void CollectMessage(const wchar_t* message, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(
        platform::ToUtf8(platform::FromWide(message)));
}

std::string Quoted(const platform::XString& name)
{
    return "\"" + Utf8(name) + "\"";
}

std::string Label(std::size_t panel, std::size_t option, const PanelRecord& record)
{
    return OptionPlace(panel, option) + " (" + Quoted(record.options[option].name) + ", panel " +
           std::to_string(record.number) + ")";
}

// The library's view of a panel: its map keeps the last record of each name.
std::set<std::uint32_t> IdsKept(const PanelRecord& panel)
{
    std::map<platform::XString, std::uint32_t> kept;
    for (const OptionRecord& record : panel.options)
        kept[record.name] = record.id;
    std::set<std::uint32_t> ids;
    for (const auto& entry : kept)
        ids.insert(entry.second);
    return ids;
}

void FindRepeatedNames(std::size_t index, const PanelRecord& panel,
                       std::vector<std::string>& findings)
{
    std::vector<platform::XString> order;
    std::map<platform::XString, std::vector<std::size_t>> positions;
    for (std::size_t j = 0; j < panel.options.size(); ++j)
    {
        std::vector<std::size_t>& where = positions[panel.options[j].name];
        if (where.empty())
            order.push_back(panel.options[j].name);
        where.push_back(j);
    }
    for (const platform::XString& name : order)
    {
        const std::vector<std::size_t>& where = positions[name];
        if (where.size() < 2)
            continue;
        std::string list;
        for (const std::size_t j : where)
            list += (list.empty() ? "options[" : ", options[") + std::to_string(j) + "]";
        findings.push_back(PanelPlace(index) + " (panel " + std::to_string(panel.number) +
                           "): the name " + Quoted(name) + " is given to " + list +
                           "; the library keeps only the last");
    }
}

} // namespace

bool LoadWithLibrary(const platform::XString& path, const platform::XString* streamName,
                     std::vector<std::string>& messages)
{
    LumbrixSetMessageReceiver(CollectMessage, &messages);
    const CString strPath(path);
    std::unique_ptr<OptionsManager> manager =
        streamName != nullptr
            ? std::make_unique<OptionsManager>(strPath, CString(*streamName), nullptr)
            : std::make_unique<OptionsManager>(strPath, nullptr);
    const bool loaded = manager->LoadDB() != 0;
    manager.reset();
    LumbrixSetMessageReceiver(nullptr, nullptr);
    return loaded;
}

std::vector<std::string> FindStructuralProblems(const Database& database)
{
    std::vector<std::string> findings;
    const std::vector<PanelRecord>& panels = database.panels;
    if (panels.size() > kLibraryPanelLimit)
        findings.push_back("the database holds " + std::to_string(panels.size()) +
                           " panels; the library loads at most " +
                           std::to_string(kLibraryPanelLimit));

    // A panel number leads to the first panel that bears it.
    std::map<std::uint32_t, std::size_t> panelOfNumber;
    for (std::size_t i = 0; i < panels.size(); ++i)
    {
        const auto inserted = panelOfNumber.emplace(panels[i].number, i);
        if (!inserted.second)
            findings.push_back(PanelPlace(i) + " (panel " + std::to_string(panels[i].number) +
                               "): the panel number is used by " +
                               PanelPlace(inserted.first->second) +
                               " already; the library never shows this panel");
    }

    std::vector<std::set<std::uint32_t>> idsKept;
    for (const PanelRecord& panel : panels)
        idsKept.push_back(IdsKept(panel));

    for (std::size_t i = 0; i < panels.size(); ++i)
    {
        const PanelRecord& panel = panels[i];
        FindRepeatedNames(i, panel, findings);
        for (std::size_t j = 0; j < panel.options.size(); ++j)
        {
            const OptionRecord& record = panel.options[j];
            if (record.nextPanel == 0)
                continue;
            const auto target = panelOfNumber.find(record.nextPanel);
            const std::string next = std::to_string(record.nextPanel);
            if (target == panelOfNumber.end())
            {
                findings.push_back(Label(i, j, panel) + ": next panel " + next + " names no panel");
                continue;
            }
            if (record.nextIds.empty())
            {
                findings.push_back(Label(i, j, panel) + ": next panel " + next +
                                   " comes with no next identifiers; the library offers no "
                                   "option there");
                continue;
            }
            const std::set<std::uint32_t>& kept = idsKept[target->second];
            for (std::size_t k = 0; k < record.nextIds.size(); ++k)
            {
                if (kept.count(record.nextIds[k]) == 0)
                    findings.push_back(Label(i, j, panel) + ": next identifier " +
                                       std::to_string(record.nextIds[k]) + " (next_ids[" +
                                       std::to_string(k) + "]) names no option of panel " + next);
            }
        }
    }
    return findings;
}

} // namespace lumbrix_db
