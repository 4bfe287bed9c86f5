// The library's start-up. This file is linked last into the library, so
// that on ELF systems its attach runs after every other static initialiser
// of the library, as the entry point does on Windows.
#include <afxdllx.h>

namespace
{

AFX_EXTENSION_MODULE g_lumbrixModule;

} // namespace

#ifdef _WIN32
// The library's entry point: process attach and detach only. It creates no
// CDynLinkLibrary: the library joins no chain of extension libraries.
extern "C" int __stdcall DllMain(HINSTANCE hInstance, unsigned long dwReason, void*)
{
    const unsigned long kProcessDetach = 0;
    const unsigned long kProcessAttach = 1;
    if (dwReason == kProcessAttach)
        return AfxInitExtensionModule(g_lumbrixModule, hInstance) ? 1 : 0;
    if (dwReason == kProcessDetach)
        AfxTermExtensionModule(g_lumbrixModule, FALSE);
    return 1;
}
#else
__attribute__((constructor)) static void LumbrixAttach()
{
    AfxInitExtensionModule(g_lumbrixModule, static_cast<HINSTANCE>(&g_lumbrixModule));
}

__attribute__((destructor)) static void LumbrixDetach()
{
    AfxTermExtensionModule(g_lumbrixModule, FALSE);
}
#endif
