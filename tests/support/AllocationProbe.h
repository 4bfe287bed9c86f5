// Records the largest single request made of the global allocator, so a test
// can show that damaged input did not make the code under test ask for a
// huge block (a request may succeed through overcommit and prove nothing).
// While recording, requests above a limit fail, so a fault shows at once
// instead of paging gigabytes.
#pragma once

#include <cstddef>

namespace testing_support
{

class AllocationProbe
{
public:
    // Starts recording from zero; stops when destroyed.
    explicit AllocationProbe(std::size_t refuseAbove = 256u * 1024u * 1024u);
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    std::size_t LargestRequest() const;
};

} // namespace testing_support
