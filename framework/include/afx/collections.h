// The framework's collections: growable arrays and the string-to-object map.
#pragma once

#include "afx/exceptions.h"
#include "afx/object.h"
#include "afx/string.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace afx
{

// A growable array with the framework's interface.
template <typename TYPE, typename ARG_TYPE = const TYPE&> class Array : public CObject
{
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_data.empty(); }

    // A negative size raises CInvalidArgException; new elements are
    // value-initialised. The growth step is accepted and has no effect.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1)
    {
        (void)nGrowBy;
        if (nNewSize < 0)
            AfxThrowInvalidArgException();
        m_data.resize(static_cast<std::size_t>(nNewSize));
    }
    void RemoveAll() { m_data.clear(); }
    void FreeExtra() { m_data.shrink_to_fit(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_data.at(Index(nIndex)); }
    TYPE& ElementAt(INT_PTR nIndex) { return m_data.at(Index(nIndex)); }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data.at(Index(nIndex)) = newElement; }
    const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const TYPE* GetData() const { return m_data.data(); }
    TYPE* GetData() { return m_data.data(); }

    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement)
    {
        if (nIndex < 0)
            AfxThrowInvalidArgException();
        if (Index(nIndex) >= m_data.size())
            m_data.resize(Index(nIndex) + 1);
        m_data[Index(nIndex)] = newElement;
    }
    INT_PTR Add(ARG_TYPE newElement)
    {
        m_data.push_back(newElement);
        return GetUpperBound();
    }
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0)
            AfxThrowInvalidArgException();
        if (Index(nIndex) > m_data.size())
            m_data.resize(Index(nIndex));
        m_data.insert(m_data.begin() + nIndex, static_cast<std::size_t>(nCount), newElement);
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        if (nIndex < 0 || nCount < 0 || Index(nIndex + nCount) > m_data.size())
            AfxThrowInvalidArgException();
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }
    void Reserve(INT_PTR nCount) { m_data.reserve(Index(nCount)); }

    // Iteration for the standard algorithms.
    typename std::vector<TYPE>::iterator begin() { return m_data.begin(); }
    typename std::vector<TYPE>::iterator end() { return m_data.end(); }
    typename std::vector<TYPE>::const_iterator begin() const { return m_data.begin(); }
    typename std::vector<TYPE>::const_iterator end() const { return m_data.end(); }

private:
    static std::size_t Index(INT_PTR nIndex) { return static_cast<std::size_t>(nIndex); }
    std::vector<TYPE> m_data;
};

} // namespace afx

class CStringArray : public afx::Array<CString>
{
};

class CUIntArray : public afx::Array<UINT, UINT>
{
};

class CObArray : public afx::Array<CObject*, CObject*>
{
};

// A map from strings to object pointers. It enumerates its entries in the
// order in which their keys were first added; a value stored under a key
// that is present keeps that key's place.
//
// The entries sit in one array in that order, their keys' code units one
// after another in one string, and an open-addressing table of the entries'
// indexes finds a key: a key costs no allocation of its own.
class AFX_API CMapStringToOb : public CObject
{
public:
    explicit CMapStringToOb(INT_PTR nBlockSize = 10);

    INT_PTR GetCount() const { return static_cast<INT_PTR>(m_entries.size()); }
    INT_PTR GetSize() const { return GetCount(); }
    BOOL IsEmpty() const { return m_entries.empty(); }

    // Makes room for nHashSize keys at once, so that adding that many never
    // grows the table again. The room is always made at once; bAllocNow is
    // accepted for the framework's signature.
    void InitHashTable(UINT nHashSize, BOOL bAllocNow = TRUE);

    BOOL Lookup(const CString& key, CObject*& rValue) const;
    BOOL Lookup(LPCTSTR key, CObject*& rValue) const { return Lookup(CString(key), rValue); }
    // The value stored under the key; a new key is added with a null value.
    CObject*& operator[](const CString& key);
    void SetAt(const CString& key, CObject* newValue) { (*this)[key] = newValue; }
    BOOL RemoveKey(const CString& key);
    void RemoveAll();

    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& rNextPosition, CString& rKey, CObject*& rValue) const;

    // The entry at a 0-based place of the enumeration (no walk needed).
    BOOL GetAssocAt(INT_PTR nIndex, CString& rKey, CObject*& rValue) const;
    // The value at a 0-based place of the enumeration, without copying its
    // key; null when the place is out of range.
    CObject* GetValueAt(INT_PTR nIndex) const;

private:
    struct Entry
    {
        std::size_t keyAt; // where the key starts in m_keys
        std::size_t keyLength;
        CObject* value;
    };

    platform::XStringView KeyOf(const Entry& entry) const;
    // The slot of the table that holds the key, or the empty slot where it
    // would go.
    std::size_t FindSlot(platform::XStringView key, std::size_t hash) const;
    void Rehash(std::size_t nSlots);

    std::vector<Entry> m_entries;
    platform::XString m_keys;
    // 0 for an empty slot, else the entry's index + 1 in the low 32 bits and
    // the lower half of the key's hash in the high 32 bits.
    std::vector<std::uint64_t> m_slots;
};
