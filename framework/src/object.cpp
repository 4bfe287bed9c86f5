// CObject and the module's list of run-time classes.
#include "afx/object.h"

#include "afx/exceptions.h"
#include "platform/text.h"

#include <cstring>

namespace
{

CRuntimeClass*& FirstClass()
{
    static CRuntimeClass* first = nullptr;
    return first;
}

} // namespace

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                       nullptr, nullptr, nullptr};

CRuntimeClass* CObject::GetThisClass() { return &CObject::classCObject; }
CRuntimeClass* CObject::GetRuntimeClass() const { return &CObject::classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }

BOOL CObject::IsKindOf(const CRuntimeClass* someClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(someClass);
}

CObject* CRuntimeClass::CreateObject() const
{
    if (m_pfnCreateObject == nullptr)
        return nullptr;
    return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
        if (c == base)
            return TRUE;
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR className)
{
    if (className == nullptr)
        return nullptr;
    for (CRuntimeClass* c = FirstClass(); c != nullptr; c = c->m_pNextClass)
        if (std::strcmp(c->m_lpszClassName, className) == 0)
            return c;
    return nullptr;
}

CRuntimeClass* CRuntimeClass::FromName(LPCWSTR className)
{
    if (className == nullptr)
        return nullptr;
    const std::string name = platform::ToUtf8(platform::FromWide(className));
    return FromName(name.c_str());
}

void AfxClassInit(CRuntimeClass* newClass)
{
    for (CRuntimeClass* c = FirstClass(); c != nullptr; c = c->m_pNextClass)
        if (c == newClass)
            return;
    newClass->m_pNextClass = FirstClass();
    FirstClass() = newClass;
}
