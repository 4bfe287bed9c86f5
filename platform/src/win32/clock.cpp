// Win32: waiting and the local time.
#include "platform/clock.h"

#include <windows.h>

namespace platform
{

void SleepMilliseconds(unsigned long milliseconds)
{
    Sleep(milliseconds);
}

bool LocalTime(std::tm& out)
{
    // The system's clock and time zone: the C run-time would take the zone
    // from TZ, which the caller of an elevated program chooses.
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    static const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (now.wMonth < 1 || now.wMonth > 12)
        return false;
    const int year = now.wYear;
    const bool bLeap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    out = std::tm();
    out.tm_year = year - 1900;
    out.tm_mon = now.wMonth - 1;
    out.tm_mday = now.wDay;
    out.tm_hour = now.wHour;
    out.tm_min = now.wMinute;
    out.tm_sec = now.wSecond;
    out.tm_wday = now.wDayOfWeek;
    out.tm_yday = kDaysBefore[now.wMonth - 1] + now.wDay - 1 + (bLeap && now.wMonth > 2 ? 1 : 0);
    TIME_ZONE_INFORMATION zone = {};
    out.tm_isdst = GetTimeZoneInformation(&zone) == TIME_ZONE_ID_DAYLIGHT ? 1 : 0;
    return true;
}

} // namespace platform
