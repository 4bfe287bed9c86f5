// The string-to-object map.
#include "afx/collections.h"

namespace
{

POSITION PositionOf(std::size_t index)
{
    return reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(index) + 1);
}

std::size_t IndexOf(POSITION position)
{
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(position) - 1);
}

} // namespace

CMapStringToOb::CMapStringToOb(INT_PTR) {}

BOOL CMapStringToOb::Lookup(const CString& key, CObject*& rValue) const
{
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return FALSE;
    rValue = m_entries[found->second].second;
    return TRUE;
}

CObject*& CMapStringToOb::operator[](const CString& key)
{
    const auto found = m_index.find(key);
    if (found != m_index.end())
        return m_entries[found->second].second;
    m_index.emplace(key, m_entries.size());
    m_entries.emplace_back(key, nullptr);
    return m_entries.back().second;
}

BOOL CMapStringToOb::RemoveKey(const CString& key)
{
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return FALSE;
    const std::size_t at = found->second;
    m_index.erase(found);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t i = at; i < m_entries.size(); ++i)
        m_index[m_entries[i].first] = i;
    return TRUE;
}

void CMapStringToOb::RemoveAll()
{
    m_entries.clear();
    m_index.clear();
}

POSITION CMapStringToOb::GetStartPosition() const
{
    return m_entries.empty() ? nullptr : PositionOf(0);
}

void CMapStringToOb::GetNextAssoc(POSITION& rNextPosition, CString& rKey, CObject*& rValue) const
{
    const std::size_t at = IndexOf(rNextPosition);
    rKey = m_entries.at(at).first;
    rValue = m_entries[at].second;
    rNextPosition = at + 1 < m_entries.size() ? PositionOf(at + 1) : nullptr;
}

BOOL CMapStringToOb::GetAssocAt(INT_PTR nIndex, CString& rKey, CObject*& rValue) const
{
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_entries.size())
        return FALSE;
    rKey = m_entries[static_cast<std::size_t>(nIndex)].first;
    rValue = m_entries[static_cast<std::size_t>(nIndex)].second;
    return TRUE;
}
