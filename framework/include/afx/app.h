// The application object, command targets, start-up and message boxes.
#pragma once

#include "afx/object.h"
#include "afx/string.h"

class AFX_API CCmdTarget : public CObject
{
public:
    // Shows the busy cursor until EndWaitCursor.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();
};

class AFX_API CWinApp : public CCmdTarget
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
AFX_API CWinApp* AfxGetApp();

// Initialises the framework for a program; FALSE when that fails.
AFX_API BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine,
                        int nCmdShow);

// Shows a message with an OK button; returns the button chosen (IDOK, 1).
AFX_API int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Where message boxes go: the platform's message box unless a receiver is
// installed (a host application, or a test). Null restores the default.
using AfxMessageHandler = void (*)(const CString& text, void* context);
AFX_API void AfxSetMessageHandler(AfxMessageHandler handler, void* context);

// The record of an extension library (a shared library built on the
// framework), kept for as long as the library is loaded.
struct AFX_EXTENSION_MODULE
{
    BOOL bInitialized = FALSE;
    HINSTANCE hModule = nullptr;
    // The classes the library registered while it started: its own list,
    // apart from the module's.
    CRuntimeClass* pFirstSharedClass = nullptr;
};

// The raw entry hook of an extension library (afxdllx.h installs it). At
// process attach, before the library's static initialisation, it sets the
// module's list of registered classes aside and empties it, so that the
// library's registrations land in a list of their own.
AFX_API BOOL AfxExtRawDllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);

// Takes the classes registered since the raw hook into the library's record
// and gives the module back the list it had. A library that wants its
// classes found by name adds the record's list to the application's chain
// itself; Lumbrix does not.
AFX_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HINSTANCE hModule);
AFX_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);
