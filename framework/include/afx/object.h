// CObject and the run-time class records behind dynamic creation and
// serialization.
#pragma once

#include "afx/types.h"

#include <cassert>

class CArchive;
class CObject;

// Diagnostic output of an object; this framework keeps no diagnostics, so it
// is an empty stand-in that lets classes keep the usual Dump override.
class CDumpContext
{
};

struct AFX_API CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema; // 0xFFFF for classes that are not serializable
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;
    CRuntimeClass* m_pNextClass; // the module's list of registered classes

    // A new object of the class, or null when it cannot be created dynamically.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;

    // The registered class of that name, or null.
    static CRuntimeClass* FromName(LPCSTR className);
    static CRuntimeClass* FromName(LPCWSTR className);
};

// Registers a class with the module, so that it can be found by name.
AFX_API void AfxClassInit(CRuntimeClass* newClass);

struct AFX_CLASSINIT
{
    explicit AFX_CLASSINIT(CRuntimeClass* newClass) { AfxClassInit(newClass); }
};

class AFX_API CObject
{
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const {}
    virtual void Dump(CDumpContext&) const {}

    BOOL IsSerializable() const;
    BOOL IsKindOf(const CRuntimeClass* someClass) const;

    static CRuntimeClass classCObject;
    static CRuntimeClass* GetThisClass();

    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

// The object when it is of the class or derived from it, else null (a null
// object gives null).
AFX_API CObject* AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject);

// The object, which must be of the class or derived from it (checked in
// builds without NDEBUG, as assert checks).
inline CObject* AfxStaticDownCast(CRuntimeClass* pClass, CObject* pObject)
{
    assert(pObject == nullptr || pObject->IsKindOf(pClass));
    (void)pClass;
    return pObject;
}

#define DYNAMIC_DOWNCAST(class_name, object)                                                       \
    (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))
#define STATIC_DOWNCAST(class_name, object)                                                        \
    (static_cast<class_name*>(AfxStaticDownCast(RUNTIME_CLASS(class_name), (object))))
#define ASSERT_KINDOF(class_name, object) assert((object)->IsKindOf(RUNTIME_CLASS(class_name)))

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static CRuntimeClass class##class_name;                                                        \
    static CRuntimeClass* GetThisClass();                                                          \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                              \
    DECLARE_DYNAMIC(class_name)                                                                    \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name)                                                                 \
    DECLARE_DYNCREATE(class_name)                                                                  \
    friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

#define IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, wSchema, pfnNew)                      \
    CRuntimeClass class_name::class##class_name = {                                                \
        #class_name, static_cast<int>(sizeof(class_name)), wSchema,                                \
        pfnNew,      base_class_name::GetThisClass(),      nullptr};                               \
    CRuntimeClass* class_name::GetThisClass()                                                      \
    {                                                                                              \
        return &class_name::class##class_name;                                                     \
    }                                                                                              \
    CRuntimeClass* class_name::GetRuntimeClass() const                                             \
    {                                                                                              \
        return &class_name::class##class_name;                                                     \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                           \
    CObject* class_name::CreateObject()                                                            \
    {                                                                                              \
        return new class_name;                                                                     \
    }                                                                                              \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                     \
    CObject* class_name::CreateObject()                                                            \
    {                                                                                              \
        return new class_name;                                                                     \
    }                                                                                              \
    IMPLEMENT_RUNTIMECLASS_(class_name, base_class_name, wSchema, class_name::CreateObject)        \
    static const AFX_CLASSINIT afxInit##class_name(class_name::GetThisClass());                    \
    CArchive& operator>>(CArchive& ar, class_name*& pOb)                                           \
    {                                                                                              \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));                  \
        return ar;                                                                                 \
    }
