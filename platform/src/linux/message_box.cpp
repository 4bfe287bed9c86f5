// Linux: messages on standard error; there is no cursor to change.
#include "platform/message_box.h"

#include <cstdio>

namespace platform
{

void ShowMessage(XStringView text)
{
    const std::string bytes = ToUtf8(text) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

void SetWaitCursor(bool) {}

} // namespace platform
