// The application object, start-up, wait cursor and message boxes.
#include "afx/app.h"

#include "module_state.h"
#include "platform/os.h"

namespace
{

CWinApp* g_app = nullptr;
AfxMessageHandler g_messageHandler = nullptr;
void* g_messageContext = nullptr;
int g_waitCursorCount = 0;

} // namespace

void CCmdTarget::BeginWaitCursor()
{
    if (g_waitCursorCount++ == 0)
        platform::CurrentOs().SetWaitCursor(true);
}

void CCmdTarget::EndWaitCursor()
{
    if (g_waitCursorCount > 0 && --g_waitCursorCount == 0)
        platform::CurrentOs().SetWaitCursor(false);
}

void CCmdTarget::RestoreWaitCursor()
{
    if (g_waitCursorCount > 0)
        platform::CurrentOs().SetWaitCursor(true);
}

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(nullptr), m_hInstance(nullptr), m_strAppName(lpszAppName)
{
    if (lpszAppName != nullptr)
        m_pszAppName = m_strAppName.GetString();
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPTSTR, int)
{
    if (!platform::CurrentOs().InitializeFramework(hInstance))
        return FALSE;
    if (g_app != nullptr)
        g_app->m_hInstance = hInstance;
    return TRUE;
}

int AfxMessageBox(LPCTSTR lpszText, UINT, UINT)
{
    const CString text(lpszText);
    if (g_messageHandler != nullptr)
        g_messageHandler(text, g_messageContext);
    else
        platform::CurrentOs().ShowMessage(text.Units());
    return 1; // IDOK
}

void AfxSetMessageHandler(AfxMessageHandler handler, void* context)
{
    g_messageHandler = handler;
    g_messageContext = context;
}

BOOL AfxExtRawDllMain(HINSTANCE, DWORD dwReason, LPVOID)
{
    const DWORD kProcessAttach = 1;
    if (dwReason == kProcessAttach)
    {
        AfxModuleState& module = AfxGetModuleState();
        module.pClassInit = module.pFirstClass;
        module.pFirstClass = nullptr;
    }
    return TRUE;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hModule)
{
    if (state.bInitialized)
        return TRUE;
    AfxModuleState& module = AfxGetModuleState();
    state.pFirstSharedClass = module.pFirstClass;
    module.pFirstClass = module.pClassInit;
    module.pClassInit = nullptr;
    state.hModule = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL)
{
    state.bInitialized = FALSE;
    state.hModule = nullptr;
    state.pFirstSharedClass = nullptr;
}
