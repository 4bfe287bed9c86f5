// OptionsManager: finding panels and options, building the sorted option list
// of a panel, and following a chosen option to the options of the next panel.
//
// A panel map enumerates its records in the order the file holds them; a
// later record that replaced an earlier one of the same name took that one's
// place. Positions and first matches follow this order, which stays the same
// for as long as the panel is loaded.
#include "lumbrix/OptionsManager.h"

#include <algorithm>
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

bool SameName(const OptionLocus* pFirst, const OptionLocus* pSecond)
{
    return pFirst->m_strName.Compare(pSecond->m_strName) == 0;
}

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
        CString strName;
        OptionLocus* pLocus = nullptr;
        pMap->GetAssocAt(i, strName, pLocus);
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
    CString strName;
    OptionLocus* pLocus = nullptr;
    pMap->GetAssocAt(static_cast<INT_PTR>(nPosition), strName, pLocus);
    return pLocus;
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
        CString strName;
        OptionLocus* pLocus = nullptr;
        pMap->GetAssocAt(i, strName, pLocus);
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
    for (INT_PTR i = 0; i < pLocus->m_arrNextIDs.GetSize(); ++i)
    {
        OptionLocus* pOffered = FindLocusById(pNextMap, pLocus->m_arrNextIDs[i]);
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
        for (INT_PTR i = 0; i < m_pNextIDs->GetSize(); ++i)
        {
            OptionLocus* pLocus = FindLocusById(pMap, m_pNextIDs->GetAt(i));
            if (pLocus == nullptr)
                break;
            m_arrPanelOptions.Add(pLocus);
        }
    }
    else
    {
        for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
        {
            CString strName;
            OptionLocus* pLocus = nullptr;
            pMap->GetAssocAt(i, strName, pLocus);
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

    std::vector<OptionLocus*> entries;
    entries.reserve(static_cast<std::size_t>(pList->GetSize()));
    for (INT_PTR i = 0; i < pList->GetSize(); ++i)
        entries.push_back(pList->GetAt(i));

    // The pairwise exchange below orders by name. With distinct names there
    // is only one ascending order, so an n log n sort gives the very same
    // result; names within one panel map are distinct keys.
    std::vector<OptionLocus*> sorted(entries);
    std::stable_sort(sorted.begin(), sorted.end(), NameBefore);
    if (std::adjacent_find(sorted.begin(), sorted.end(), SameName) != sorted.end())
    {
        // Equal names (a record listed twice, or renamed by the application)
        // are left where the exchange of each pair puts them.
        sorted = entries;
        for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
        {
            for (std::size_t j = i + 1; j < sorted.size(); ++j)
                OptCompFunc(sorted[i], sorted[j]);
        }
    }

    for (std::size_t i = 0; i < sorted.size(); ++i)
        pList->SetAt(static_cast<INT_PTR>(i), sorted[i]);
}

void OptionsManager::OptCompFunc(OptionLocus*& pFirst, OptionLocus*& pSecond)
{
    // Case-sensitive, code unit by code unit; equal names stay put.
    if (pFirst->m_strName.Compare(pSecond->m_strName) > 0)
        std::swap(pFirst, pSecond);
}
