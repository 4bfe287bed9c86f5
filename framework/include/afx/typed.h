// Type-safe wrappers of the object-pointer collections.
#pragma once

#include "afx/collections.h"

template <class BASE_CLASS, class TYPE> class CTypedPtrArray : public BASE_CLASS
{
public:
    TYPE GetAt(INT_PTR nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    TYPE operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    void SetAt(INT_PTR nIndex, TYPE ptr) { BASE_CLASS::SetAt(nIndex, ptr); }
    void SetAtGrow(INT_PTR nIndex, TYPE newElement) { BASE_CLASS::SetAtGrow(nIndex, newElement); }
    INT_PTR Add(TYPE newElement) { return BASE_CLASS::Add(newElement); }
    void InsertAt(INT_PTR nIndex, TYPE newElement, INT_PTR nCount = 1)
    {
        BASE_CLASS::InsertAt(nIndex, newElement, nCount);
    }
};

template <class BASE_CLASS, class KEY, class VALUE> class CTypedPtrMap : public BASE_CLASS
{
public:
    explicit CTypedPtrMap(INT_PTR nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

    BOOL Lookup(const KEY& key, VALUE& rValue) const
    {
        CObject* value = nullptr;
        const BOOL found = BASE_CLASS::Lookup(key, value);
        rValue = static_cast<VALUE>(value);
        return found;
    }

    // Reads and assigns the value stored under a key (a new key is added).
    class ValueRef
    {
    public:
        ValueRef(CObject*& slot) : m_slot(slot) {}
        operator VALUE() const { return static_cast<VALUE>(m_slot); }
        ValueRef& operator=(VALUE value)
        {
            m_slot = value;
            return *this;
        }

    private:
        CObject*& m_slot;
    };
    ValueRef operator[](const KEY& key) { return ValueRef(BASE_CLASS::operator[](key)); }
    void SetAt(const KEY& key, VALUE newValue) { BASE_CLASS::SetAt(key, newValue); }
    BOOL RemoveKey(const KEY& key) { return BASE_CLASS::RemoveKey(key); }

    void GetNextAssoc(POSITION& rPosition, KEY& rKey, VALUE& rValue) const
    {
        CObject* value = nullptr;
        BASE_CLASS::GetNextAssoc(rPosition, rKey, value);
        rValue = static_cast<VALUE>(value);
    }
    VALUE GetValueAt(INT_PTR nIndex) const
    {
        return static_cast<VALUE>(BASE_CLASS::GetValueAt(nIndex));
    }
    BOOL GetAssocAt(INT_PTR nIndex, KEY& rKey, VALUE& rValue) const
    {
        CObject* value = nullptr;
        const BOOL found = BASE_CLASS::GetAssocAt(nIndex, rKey, value);
        rValue = static_cast<VALUE>(value);
        return found;
    }
};
