#include "RunConsole.h"

#include "platform/os.h"

void Print(const CString& strText)
{
    platform::CurrentOs().WriteConsoleText(strText.Units());
}
