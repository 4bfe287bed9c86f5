// OptionsManager: finding panels and options, building the sorted option list
// of a panel, and following a chosen option to the options of the next panel.
//
// A panel map enumerates its records in the order the file holds them; a
// later record that replaced an earlier one of the same name took that one's
// place. Positions and first matches follow this order, which stays the same
// for as long as the panel is loaded.
#include "lumbrix/OptionsManager.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

// The truth-valued members keep the "const int" results they are declared with.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

namespace
{

using PanelMap = CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>;

bool NameBefore(const OptionLocus* pFirst, const OptionLocus* pSecond)
{
    return pFirst->m_strName.Compare(pSecond->m_strName) < 0;
}

// An entry of a list being sorted: the name's first four code units, most
// significant first and padded with zeros, beside the record. Prefixes that
// differ order the names as CString::Compare does; equal ones need the names.
struct SortKey
{
    std::uint64_t prefix;
    OptionLocus* pLocus;
};

std::uint64_t NamePrefix(const CString& strName)
{
    const platform::XString& units = strName.Units();
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 4; ++i)
    {
        const std::uint64_t unit = i < units.size() ? static_cast<std::uint16_t>(units[i]) : 0;
        prefix = (prefix << 16) | unit;
    }
    return prefix;
}

bool KeyBefore(const SortKey& first, const SortKey& second)
{
    if (first.prefix != second.prefix)
        return first.prefix < second.prefix;
    return NameBefore(first.pLocus, second.pLocus);
}

bool SameKey(const SortKey& first, const SortKey& second)
{
    return first.prefix == second.prefix &&
           first.pLocus->m_strName.Compare(second.pLocus->m_strName) == 0;
}

// Finds the records of many identifiers in one panel map, each time the
// first record in enumeration order that bears the identifier, exactly as
// FindLocusById does. For more than a few identifiers a table of the first
// record per identifier is built once for the call, so a list of k offered
// identifiers costs one pass over the map instead of k. The table is never
// kept: the application may change a record's m_nID at any time.
class IdFinder
{
public:
    IdFinder(const OptionsManager& manager, const PanelMap* pMap, INT_PTR nLookups)
        : m_manager(manager), m_pMap(pMap)
    {
        if (pMap == nullptr || nLookups < kTableFrom)
            return;
        std::size_t nSlots = 16;
        while (nSlots < static_cast<std::size_t>(pMap->GetCount()) * 2)
            nSlots *= 2;
        m_table.assign(nSlots, nullptr);
        for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
        {
            OptionLocus* pLocus = pMap->GetValueAt(i);
            if (pLocus == nullptr)
                continue;
            OptionLocus*& pSlot = Slot(pLocus->m_nID);
            if (pSlot == nullptr)
                pSlot = pLocus; // a later record of the same identifier never wins
        }
    }

    OptionLocus* Find(unsigned int nID)
    {
        if (m_table.empty())
            return m_manager.FindLocusById(m_pMap, nID);
        return Slot(nID);
    }

private:
    // From this many lookups on, the table pays for itself.
    static const INT_PTR kTableFrom = 8;

    // The slot holding the identifier's record, or the empty one where it goes.
    OptionLocus*& Slot(unsigned int nID)
    {
        const std::size_t mask = m_table.size() - 1;
        std::size_t slot = (static_cast<std::size_t>(nID) * 0x9E3779B1u) & mask;
        while (m_table[slot] != nullptr && m_table[slot]->m_nID != nID)
            slot = (slot + 1) & mask;
        return m_table[slot];
    }

    const OptionsManager& m_manager;
    const PanelMap* m_pMap;
    std::vector<OptionLocus*> m_table;
};

} // namespace

PanelMap* OptionsManager::PanelOptionMap(unsigned int nPanel)
{
    // The lower slot wins when two panels bear the same number.
    const int nSearchable = SearchablePanelCount();
    for (int i = 0; i < nSearchable; ++i)
    {
        if (m_arrPanelNumbers[i] == nPanel)
            return m_pPanelMaps[i];
    }
    return nullptr;
}

OptionLocus* OptionsManager::FindLocusById(const PanelMap* pMap, unsigned int nID) const
{
    if (pMap == nullptr)
        return nullptr;
    for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
    {
        OptionLocus* pLocus = pMap->GetValueAt(i);
        if (pLocus != nullptr && pLocus->m_nID == nID)
            return pLocus;
    }
    return nullptr;
}

OptionLocus* OptionsManager::RetrieveOption(unsigned int nPanel, unsigned int nPosition)
{
    const PanelMap* pMap = PanelOptionMap(nPanel);
    if (pMap == nullptr)
        return nullptr;
    if (static_cast<UINT_PTR>(nPosition) >= static_cast<UINT_PTR>(pMap->GetCount()))
        return nullptr;
    return pMap->GetValueAt(static_cast<INT_PTR>(nPosition));
}

OptionLocus* OptionsManager::RetrieveOption(unsigned int nPanel, CString strName)
{
    const PanelMap* pMap = PanelOptionMap(nPanel);
    OptionLocus* pLocus = nullptr;
    if (pMap == nullptr || !pMap->Lookup(strName, pLocus))
        return nullptr;
    return pLocus;
}

OptionLocus* OptionsManager::GetOptionFromTitleID(unsigned int nPanel, unsigned int nTitleID)
{
    const PanelMap* pMap = PanelOptionMap(nPanel);
    if (pMap == nullptr)
        return nullptr;
    for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
    {
        OptionLocus* pLocus = pMap->GetValueAt(i);
        if (pLocus != nullptr && pLocus->m_nTitleID == nTitleID)
            return pLocus;
    }
    return nullptr;
}

OptionLocus* OptionsManager::GetNextOptionFromTitleID(OptionLocus* pLocus, unsigned int& nPanel,
                                                      unsigned int nTitleID)
{
    if (!VerifyPanelOption(nPanel, pLocus))
        return nullptr;

    // The caller learns the next panel even when nothing is found there.
    nPanel = pLocus->m_nNextPanel;

    const PanelMap* pNextMap = PanelOptionMap(nPanel);
    if (pNextMap == nullptr)
        return nullptr;
    IdFinder offered(*this, pNextMap, pLocus->m_arrNextIDs.GetSize());
    for (INT_PTR i = 0; i < pLocus->m_arrNextIDs.GetSize(); ++i)
    {
        OptionLocus* pOffered = offered.Find(pLocus->m_arrNextIDs[i]);
        if (pOffered != nullptr && pOffered->m_nTitleID == nTitleID)
            return pOffered;
    }
    return nullptr;
}

CTypedPtrArray<CObArray, OptionLocus*>* OptionsManager::LoadNextPanelOptions(unsigned int nPanel,
                                                                             unsigned int*)
{
    // A failure leaves the last list as it was.
    if (m_nPanelCount == -1 && !LoadFromDisk())
        return nullptr;
    const PanelMap* pMap = PanelOptionMap(nPanel);
    if (pMap == nullptr)
        return nullptr;

    m_arrPanelOptions.RemoveAll();

    if (nPanel == m_nNextPanel)
    {
        // The panel the current choice leads to lists only what it offers,
        // up to the first identifier that names no record here.
        if (m_pNextIDs == nullptr || m_pNextIDs->IsEmpty())
            return nullptr;
        IdFinder offered(*this, pMap, m_pNextIDs->GetSize());
        m_arrPanelOptions.Reserve(m_pNextIDs->GetSize());
        for (INT_PTR i = 0; i < m_pNextIDs->GetSize(); ++i)
        {
            OptionLocus* pLocus = offered.Find(m_pNextIDs->GetAt(i));
            if (pLocus == nullptr)
                break;
            m_arrPanelOptions.Add(pLocus);
        }
    }
    else
    {
        m_arrPanelOptions.Reserve(pMap->GetCount());
        for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
        {
            OptionLocus* pLocus = pMap->GetValueAt(i);
            if (pLocus != nullptr)
                m_arrPanelOptions.Add(pLocus);
        }
    }

    SortOptions(&m_arrPanelOptions);
    return &m_arrPanelOptions;
}

CTypedPtrArray<CObArray, OptionLocus*>* OptionsManager::RetrieveCurrentPanelOptions()
{
    return &m_arrPanelOptions;
}

const int OptionsManager::SetupNextPanel(unsigned int nPanel, OptionLocus* pLocus)
{
    if (!VerifyPanelOption(nPanel, pLocus))
        return 0;
    // The record's own list is referred to, not copied.
    m_pNextIDs = &pLocus->m_arrNextIDs;
    m_nNextPanel = pLocus->m_nNextPanel;
    return 1;
}

const int OptionsManager::VerifyPanelOption(unsigned int nPanel, OptionLocus* pLocus)
{
    // Only the name counts: any record bearing a name of the panel passes.
    const PanelMap* pMap = PanelOptionMap(nPanel);
    if (pMap == nullptr || pLocus == nullptr)
        return 0;
    OptionLocus* pFound = nullptr;
    return pMap->Lookup(pLocus->m_strName, pFound) ? 1 : 0;
}

void OptionsManager::SortOptions(CTypedPtrArray<CObArray, OptionLocus*>* pList)
{
    if (pList == nullptr || pList->GetSize() < 2)
        return;

    // The pairwise exchange below orders by name. With distinct names there
    // is only one ascending order, so an n log n sort gives the very same
    // result; names within one panel map are distinct keys. Each entry
    // carries its name's first code units, so most comparisons never reach
    // the record.
    std::vector<SortKey> keys;
    keys.reserve(static_cast<std::size_t>(pList->GetSize()));
    for (INT_PTR i = 0; i < pList->GetSize(); ++i)
    {
        OptionLocus* pLocus = pList->GetAt(i);
        keys.push_back(SortKey{NamePrefix(pLocus->m_strName), pLocus});
    }
    std::sort(keys.begin(), keys.end(), KeyBefore);

    if (std::adjacent_find(keys.begin(), keys.end(), SameKey) != keys.end())
    {
        // Equal names (a record listed twice, or renamed by the application)
        // are left where the exchange of each pair puts them.
        for (std::size_t i = 0; i < keys.size(); ++i)
            keys[i].pLocus = pList->GetAt(static_cast<INT_PTR>(i));
        for (std::size_t i = 0; i + 1 < keys.size(); ++i)
        {
            for (std::size_t j = i + 1; j < keys.size(); ++j)
                OptCompFunc(keys[i].pLocus, keys[j].pLocus);
        }
    }

    for (std::size_t i = 0; i < keys.size(); ++i)
        pList->SetAt(static_cast<INT_PTR>(i), keys[i].pLocus);
}

void OptionsManager::OptCompFunc(OptionLocus*& pFirst, OptionLocus*& pSecond)
{
    // Case-sensitive, code unit by code unit; equal names stay put.
    if (pFirst->m_strName.Compare(pSecond->m_strName) > 0)
        std::swap(pFirst, pSecond);
}
