// CObject and the module's list of run-time classes.
#include "afx/object.h"

#include "afx/exceptions.h"
#include "module_state.h"
#include "platform/text.h"

#include <cstring>

AfxModuleState& AfxGetModuleState()
{
    static AfxModuleState state;
    return state;
}

namespace
{

CRuntimeClass*& FirstClass()
{
    return AfxGetModuleState().pFirstClass;
}

} // namespace

CRuntimeClass CObject::classCObject = {
    "CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};

CRuntimeClass* CObject::GetThisClass()
{
    return &CObject::classCObject;
}
CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &CObject::classCObject;
}

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsSerializable() const
{
    return GetRuntimeClass()->m_wSchema != 0xFFFF;
}

BOOL CObject::IsKindOf(const CRuntimeClass* someClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(someClass);
}

CObject* AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject)
{
    if (pObject != nullptr && pObject->IsKindOf(pClass))
        return pObject;
    return nullptr;
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
