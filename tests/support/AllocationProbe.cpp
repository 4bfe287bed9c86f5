// The global allocator of a test program, replaced by one that forwards to
// malloc, remembers the largest request while a probe is recording and
// refuses requests above the probe's limit.
#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{

std::atomic<bool> g_recording{false};
std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_refuseAbove{0};

void* Allocate(std::size_t size) noexcept
{
    if (g_recording.load(std::memory_order_relaxed))
    {
        std::size_t seen = g_largest.load(std::memory_order_relaxed);
        while (size > seen && !g_largest.compare_exchange_weak(seen, size))
        {
        }
        if (size > g_refuseAbove.load(std::memory_order_relaxed))
            return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size)
{
    void* block = Allocate(size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

} // namespace

namespace testing_support
{

AllocationProbe::AllocationProbe(std::size_t refuseAbove)
{
    g_largest = 0;
    g_refuseAbove = refuseAbove;
    g_recording = true;
}

AllocationProbe::~AllocationProbe()
{
    g_recording = false;
}

std::size_t AllocationProbe::LargestRequest() const
{
    return g_largest.load();
}

} // namespace testing_support

void* operator new(std::size_t size)
{
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size)
{
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
