// Win32: message boxes and the wait cursor.
#include "platform/message_box.h"

#include <windows.h>

namespace platform
{

void ShowMessage(XStringView text)
{
    const std::wstring message(text);
    MessageBoxW(nullptr, message.c_str(), L"", MB_OK);
}

void SetWaitCursor(bool busy)
{
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

} // namespace platform
