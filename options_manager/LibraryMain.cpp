// The library's start-up, and where its messages go.
#include <afxwin.h>

#include "lumbrix/OptionsManager.h"

namespace
{

AFX_EXTENSION_MODULE g_lumbrixModule;

LumbrixMessageReceiver g_receiver = nullptr;
void* g_receiverContext = nullptr;

void ForwardMessage(const CString& text, void*)
{
    if (g_receiver != nullptr)
        g_receiver(text.GetString(), g_receiverContext);
}

} // namespace

extern "C" void LumbrixSetMessageReceiver(LumbrixMessageReceiver pfnReceiver, void* pContext)
{
    g_receiver = pfnReceiver;
    g_receiverContext = pContext;
    AfxSetMessageHandler(pfnReceiver != nullptr ? ForwardMessage : nullptr, nullptr);
}

#ifdef _WIN32
// The library's entry point: process attach and detach only.
extern "C" int __stdcall DllMain(void* hInstance, unsigned long dwReason, void*)
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
    AfxInitExtensionModule(g_lumbrixModule, &g_lumbrixModule);
}

__attribute__((destructor)) static void LumbrixDetach()
{
    AfxTermExtensionModule(g_lumbrixModule, FALSE);
}
#endif
