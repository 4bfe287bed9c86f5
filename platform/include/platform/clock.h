// Waiting and the local time.
#pragma once

#include <ctime>

namespace platform
{

void SleepMilliseconds(unsigned long milliseconds);
// The current local time; false when it cannot be converted.
bool LocalTime(std::tm& out);

} // namespace platform
