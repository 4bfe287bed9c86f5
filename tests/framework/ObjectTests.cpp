// Run-time classes: the extension library's start-up keeps a library's
// registrations apart from the module's list.
#include <afxwin.h>

#include <gtest/gtest.h>

class RegisteredByTheApplication : public CObject
{
    DECLARE_DYNAMIC(RegisteredByTheApplication)
};
IMPLEMENT_DYNAMIC(RegisteredByTheApplication, CObject)

class RegisteredByALibrary : public CObject
{
    DECLARE_DYNAMIC(RegisteredByALibrary)
};
IMPLEMENT_DYNAMIC(RegisteredByALibrary, CObject)

namespace
{

TEST(ExtensionModuleTest, ALibrarysClassesGoToItsRecordAndTheModuleKeepsItsList)
{
    const DWORD kProcessAttach = 1;
    AfxClassInit(RUNTIME_CLASS(RegisteredByTheApplication));

    // What a library loaded later does: raw hook, its static
    // initialisation, then its entry point.
    ASSERT_TRUE(AfxExtRawDllMain(nullptr, kProcessAttach, nullptr));
    EXPECT_EQ(CRuntimeClass::FromName("RegisteredByTheApplication"), nullptr);
    AfxClassInit(RUNTIME_CLASS(RegisteredByALibrary));
    AFX_EXTENSION_MODULE module;
    ASSERT_TRUE(AfxInitExtensionModule(module, nullptr));

    EXPECT_EQ(module.pFirstSharedClass, RUNTIME_CLASS(RegisteredByALibrary));
    EXPECT_EQ(RUNTIME_CLASS(RegisteredByALibrary)->m_pNextClass, nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("RegisteredByTheApplication"),
              RUNTIME_CLASS(RegisteredByTheApplication));
    EXPECT_EQ(CRuntimeClass::FromName("RegisteredByALibrary"), nullptr);
    AfxTermExtensionModule(module);
}

} // namespace
