#include "support/allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<std::size_t> limit{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> largest_refused{0};

void* allocate(std::size_t n)
{
    if (n > limit.load(std::memory_order_relaxed)) {
        std::size_t seen = largest_refused.load(std::memory_order_relaxed);
        while (n > seen && !largest_refused.compare_exchange_weak(seen, n)) {
        }
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n)) {
        return p;
    }
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t n)
{
    return allocate(n);
}

void* operator new[](std::size_t n)
{
    return allocate(n);
}

// The nothrow forms too (std::stable_sort's buffer uses them): every form that a delete here
// may free must come from malloc, or a sanitizer sees new freed by free.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace tengun::testing {

AllocationLimit::AllocationLimit(std::size_t max_bytes) : outer_(limit.exchange(max_bytes))
{
    ::largest_refused.store(0);
}

AllocationLimit::~AllocationLimit()
{
    limit.store(outer_);
}

std::size_t AllocationLimit::largest_refused() const
{
    return ::largest_refused.load();
}

} // namespace tengun::testing
