// The string-to-object map.
#include "afx/collections.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string_view>

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

// Slots of the key table: the entry's index + 1 in the low half, the lower
// half of the key's hash in the high half. The table never has more than
// 2^32 slots, so a grown table finds each entry's new place from the stored
// half alone.
const std::uint64_t kTagMask = 0xFFFFFFFF00000000ULL;
const std::size_t kMinSlots = 16;
const std::size_t kMaxEntries = 0x7FFFFFFF;

std::uint64_t TagOf(std::size_t hash)
{
    return static_cast<std::uint64_t>(hash & 0xFFFFFFFFu) << 32;
}

std::uint64_t SlotContent(std::size_t hash, std::size_t index)
{
    return TagOf(hash) | (static_cast<std::uint64_t>(index) + 1);
}

std::size_t IndexIn(std::uint64_t content)
{
    return static_cast<std::size_t>((content & ~kTagMask) - 1);
}

std::size_t StoredHash(std::uint64_t content)
{
    return static_cast<std::size_t>(content >> 32);
}

// The same hash as std::hash<CString>, taken of any run of code units.
std::size_t HashOf(platform::XStringView units)
{
    return std::hash<platform::XStringView>()(units);
}

} // namespace

CMapStringToOb::CMapStringToOb(INT_PTR) {}

platform::XStringView CMapStringToOb::KeyOf(const Entry& entry) const
{
    return platform::XStringView(m_keys.data() + entry.keyAt, entry.keyLength);
}

std::size_t CMapStringToOb::FindSlot(platform::XStringView key, std::size_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    const std::uint64_t tag = TagOf(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask)
    {
        const std::uint64_t content = m_slots[slot];
        if (content == 0)
            return slot;
        if ((content & kTagMask) == tag && KeyOf(m_entries[IndexIn(content)]) == key)
            return slot;
    }
}

void CMapStringToOb::Rehash(std::size_t nSlots)
{
    std::vector<std::uint64_t> slots(nSlots, 0);
    const std::size_t mask = nSlots - 1;
    for (const std::uint64_t content : m_slots)
    {
        if (content == 0)
            continue;
        std::size_t slot = StoredHash(content) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = content;
    }
    m_slots.swap(slots);
}

void CMapStringToOb::InitHashTable(UINT nHashSize, BOOL)
{
    const std::size_t nKeys = std::min<std::size_t>(nHashSize, kMaxEntries);
    // At most half the slots in use, as operator[] keeps it.
    std::size_t nSlots = std::max(kMinSlots, m_slots.size());
    while (nSlots < nKeys * 2)
        nSlots *= 2;
    m_entries.reserve(nKeys);
    if (nSlots > m_slots.size())
        Rehash(nSlots);
}

BOOL CMapStringToOb::Lookup(const CString& key, CObject*& rValue) const
{
    if (m_entries.empty())
        return FALSE;
    const platform::XStringView units = key.Units();
    const std::uint64_t content = m_slots[FindSlot(units, HashOf(units))];
    if (content == 0)
        return FALSE;
    rValue = m_entries[IndexIn(content)].value;
    return TRUE;
}

CObject*& CMapStringToOb::operator[](const CString& key)
{
    // At most half the slots are in use, so probe runs stay short.
    if ((m_entries.size() + 1) * 2 > m_slots.size())
    {
        if (m_entries.size() >= kMaxEntries)
            throw std::bad_alloc();
        Rehash(std::max(kMinSlots, m_slots.size() * 2));
    }
    const platform::XStringView units = key.Units();
    const std::size_t hash = HashOf(units);
    const std::size_t slot = FindSlot(units, hash);
    if (m_slots[slot] != 0)
        return m_entries[IndexIn(m_slots[slot])].value;
    const std::size_t keyAt = m_keys.size();
    m_keys.append(units);
    try
    {
        m_entries.push_back(Entry{keyAt, units.size(), nullptr});
    }
    catch (...)
    {
        // A failure leaves the map as it was.
        m_keys.resize(keyAt);
        throw;
    }
    m_slots[slot] = SlotContent(hash, m_entries.size() - 1);
    return m_entries.back().value;
}

BOOL CMapStringToOb::RemoveKey(const CString& key)
{
    if (m_entries.empty())
        return FALSE;
    const platform::XStringView units = key.Units();
    const std::uint64_t content = m_slots[FindSlot(units, HashOf(units))];
    if (content == 0)
        return FALSE;
    // Later entries move up a place: the keys and every index are made again.
    const std::size_t removed = IndexIn(content);
    platform::XString keys;
    keys.reserve(m_keys.size() - m_entries[removed].keyLength);
    std::vector<Entry> entries;
    entries.reserve(m_entries.size() - 1);
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        if (i == removed)
            continue;
        entries.push_back(Entry{keys.size(), m_entries[i].keyLength, m_entries[i].value});
        keys.append(KeyOf(m_entries[i]));
    }
    std::vector<std::uint64_t> slots(m_slots.size(), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const std::size_t hash =
            HashOf(platform::XStringView(keys.data() + entries[i].keyAt, entries[i].keyLength));
        std::size_t slot = hash & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = SlotContent(hash, i);
    }
    m_entries.swap(entries);
    m_keys.swap(keys);
    m_slots.swap(slots);
    return TRUE;
}

void CMapStringToOb::RemoveAll()
{
    std::vector<Entry>().swap(m_entries);
    platform::XString().swap(m_keys);
    std::vector<std::uint64_t>().swap(m_slots);
}

POSITION CMapStringToOb::GetStartPosition() const
{
    return m_entries.empty() ? nullptr : PositionOf(0);
}

void CMapStringToOb::GetNextAssoc(POSITION& rNextPosition, CString& rKey, CObject*& rValue) const
{
    const std::size_t at = IndexOf(rNextPosition);
    const Entry& entry = m_entries.at(at);
    rKey = CString(platform::XString(KeyOf(entry)));
    rValue = entry.value;
    rNextPosition = at + 1 < m_entries.size() ? PositionOf(at + 1) : nullptr;
}

CObject* CMapStringToOb::GetValueAt(INT_PTR nIndex) const
{
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_entries.size())
        return nullptr;
    return m_entries[static_cast<std::size_t>(nIndex)].value;
}

BOOL CMapStringToOb::GetAssocAt(INT_PTR nIndex, CString& rKey, CObject*& rValue) const
{
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_entries.size())
        return FALSE;
    const Entry& entry = m_entries[static_cast<std::size_t>(nIndex)];
    rKey = CString(platform::XString(KeyOf(entry)));
    rValue = entry.value;
    return TRUE;
}
