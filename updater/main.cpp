// The platform's entry point for Brantel.
#include "Brantel.h"

#include "platform/module.h"

#include <afxwin.h>

// The framework's application object, with no application name.
CWinApp theApp;

int main(int, char*[])
{
    platform::RestrictLibrarySearch();
    // No argument is read; none is handed on.
    wchar_t* none[] = {nullptr};
    return BrantelMain(0, none);
}
