// OptionsManager: the option chosen last on each panel, kept in the INI file
// under the panel's section.
#include "lumbrix/OptionsManager.h"

// The truth-valued members keep the "const int" results they are declared with.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

namespace
{

CString PanelSection(const wchar_t* pszHeaderFormat, unsigned int nPanel)
{
    CString strSection;
    strSection.Format(pszHeaderFormat, nPanel);
    return strSection;
}

} // namespace

const int OptionsManager::SaveLastPanelOptionSeln(unsigned int nPanel, OptionLocus* pLocus)
{
    // A refused record leaves the previous choice and the file alone.
    if (!SetupNextPanel(nPanel, pLocus))
        return 0;

    // A failed write is not the caller's concern: the choice stands.
    const CString strSection = PanelSection(m_pszHeaderFormat, nPanel);
    WriteProfileStringW(strSection, m_pszLastOption, pLocus->m_strName);
    return 1;
}

const int OptionsManager::RetrieveLastPanelOptionSeln(unsigned int nPanel, OptionLocus*& pLocus)
{
    pLocus = nullptr;
    const CString strSection = PanelSection(m_pszHeaderFormat, nPanel);
    const CString strStored = GetProfileStringW(strSection, m_pszLastOption, L"");

    CTypedPtrMap<CMapStringToOb, CString, OptionLocus*>* pMap = PanelOptionMap(nPanel);
    if (pMap == nullptr)
        return 0;

    // A record found under its old key but renamed since is refused
    // rather than replaced by another option.
    OptionLocus* pStored = nullptr;
    if (!strStored.IsEmpty() && pMap->Lookup(strStored, pStored))
    {
        if (!VerifyPanelOption(nPanel, pStored))
            return 0;
        pLocus = pStored;
    }

    // Nothing usable stored: the first option by name. The first entry that
    // SortOptions would give is the earliest record bearing the smallest
    // name (its exchange never moves an equal name ahead), so one pass finds
    // it without sorting the panel.
    if (pLocus == nullptr)
    {
        for (INT_PTR i = 0; i < pMap->GetCount(); ++i)
        {
            OptionLocus* pOption = pMap->GetValueAt(i);
            if (pOption != nullptr &&
                (pLocus == nullptr || pOption->m_strName.Compare(pLocus->m_strName) < 0))
                pLocus = pOption;
        }
        if (pLocus == nullptr)
            return 0;
    }

    return 1;
}
