// Where the library's messages go: the framework's message handler, which
// the library shares with its host (one per process).
#include <afxwin.h>

#include "lumbrix/OptionsManager.h"

namespace
{

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
