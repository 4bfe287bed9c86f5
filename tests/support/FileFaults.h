// Faults injected into the platform layer's file-changing calls: the Nth
// call (of one kind, or of any) fails with a chosen status, or the process
// ends right there, as in a crash.
#pragma once

#include "platform/file_faults.h"

#include <cstdlib>

namespace testing_support
{

struct Fault
{
    int kind = -1; // a platform::FileCall, or -1 for every kind
    int at = 0;    // 1-based; 0: none, only counting
    platform::Status status = platform::kErrorDiskFull;
    bool crash = false; // end the process (exit code 77) instead of failing
    int seen = 0;       // calls of that kind so far
};

inline platform::Status InjectFault(platform::FileCall call, void* context)
{
    Fault& fault = *static_cast<Fault*>(context);
    if (fault.kind >= 0 && static_cast<int>(call) != fault.kind)
        return platform::kSuccess;
    if (++fault.seen != fault.at)
        return platform::kSuccess;
    if (fault.crash)
        std::_Exit(77);
    return fault.status;
}

// The fault is in force for the lifetime of this object.
class ScopedFault
{
public:
    explicit ScopedFault(Fault& fault) { platform::SetFileCallHook(InjectFault, &fault); }
    ~ScopedFault() { platform::SetFileCallHook(nullptr, nullptr); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

} // namespace testing_support
