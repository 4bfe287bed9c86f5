// The platform's entry point for Brantel.
#include "Brantel.h"

#include "platform/module.h"

#include <afxwin.h>

// The framework's application object, with no application name.
CWinApp theApp;

#ifdef _WIN32
int wmain(int argc, wchar_t* argv[])
{
    platform::RestrictLibrarySearch();
    return BrantelMain(argc, argv);
}
#else
int main(int, char*[])
{
    // No argument is read; none is handed on.
    wchar_t* none[] = {nullptr};
    return BrantelMain(0, none);
}
#endif
