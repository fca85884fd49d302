#pragma once
// Allocation failures on demand, for the tests of what a reader or a command does when memory
// runs out or when a file claims more than it holds. Only in core_tests, which links
// allocation_limit.cpp: it replaces the global operator new and delete with malloc and free
// plus this check.

#include <cstddef>

namespace tengun::testing {

/// While it lives, every single request of operator new for more than `max_bytes` throws
/// std::bad_alloc, as it would on a machine whose memory is nearly used up. Nesting restores
/// the outer limit. Not for tests that run threads of their own.
class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t max_bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

    /// The largest request refused since the innermost limit began; 0 when none was.
    [[nodiscard]] std::size_t largest_refused() const;

private:
    std::size_t outer_;
};

} // namespace tengun::testing
