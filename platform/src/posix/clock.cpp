// POSIX: waiting and the local time.
#include "platform/clock.h"

#include <cerrno>
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
    const time_t now = time(nullptr);
    return localtime_r(&now, &out) != nullptr;
}

} // namespace platform
