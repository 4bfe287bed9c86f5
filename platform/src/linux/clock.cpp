// Linux: waiting and the local time.
#include "platform/clock.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <time.h>

namespace platform
{

void SleepMilliseconds(unsigned long milliseconds)
{
    timespec request;
    request.tv_sec = static_cast<time_t>(milliseconds / 1000);
    request.tv_nsec = static_cast<long>((milliseconds % 1000) * 1000000UL);
    while (nanosleep(&request, &request) != 0 && errno == EINTR)
    {
    }
}

bool LocalTime(std::tm& out)
{
    // The system's time zone (/etc/localtime), never TZ: the caller of an
    // elevated program chooses it, and a TZ naming a FIFO would hang the
    // zone's reading for ever. TZ is put back afterwards for the rest of the
    // process; the zone read here stays in use until something calls tzset.
    std::optional<std::string> callerZone;
    if (const char* zone = std::getenv("TZ"))
    {
        callerZone = zone;
        unsetenv("TZ");
    }
    tzset();
    const time_t now = time(nullptr);
    const bool bConverted = localtime_r(&now, &out) != nullptr;
    if (callerZone)
        setenv("TZ", callerZone->c_str(), 1);
    return bConverted;
}

} // namespace platform
