// The application object, command targets, start-up and message boxes.
#pragma once

#include "afx/object.h"
#include "afx/string.h"

class CCmdTarget : public CObject
{
public:
    // Shows the busy cursor until EndWaitCursor.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();
};

class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName;
    HINSTANCE m_hInstance;

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

private:
    CString m_strAppName;
};

// The application object of the program, or null when it has none.
CWinApp* AfxGetApp();

// Initialises the framework for a program; FALSE when that fails.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);

// Shows a message with an OK button; returns the button chosen (IDOK, 1).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Where message boxes go: the platform's message box unless a receiver is
// installed (a host application, or a test). Null restores the default.
using AfxMessageHandler = void (*)(const CString& text, void* context);
void AfxSetMessageHandler(AfxMessageHandler handler, void* context);

// The record of an extension library (a shared library built on the
// framework), kept for as long as the library is loaded.
struct AFX_EXTENSION_MODULE
{
    BOOL bInitialized = FALSE;
    HINSTANCE hModule = nullptr;
};

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hModule);
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);
