// Messages for the user.
#pragma once

#include "platform/text.h"

namespace platform
{

// Windows: MessageBoxW with an OK button. POSIX: the text and a line feed on
// standard error.
void ShowMessage(XStringView text);
// The busy cursor while a long operation runs; nothing where there is none.
void SetWaitCursor(bool busy);

} // namespace platform
