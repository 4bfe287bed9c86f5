// Win32: waiting and the local time.
#include "platform/clock.h"

#include <windows.h>

#include <time.h>

namespace platform
{

void SleepMilliseconds(unsigned long milliseconds) { Sleep(milliseconds); }

bool LocalTime(std::tm& out)
{
    const __time64_t now = _time64(nullptr);
    return _localtime64_s(&out, &now) == 0;
}

} // namespace platform
