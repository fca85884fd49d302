#pragma once
// Work that is independent per item, spread over the cores. The items are cut into contiguous
// chunks in order; a caller that writes each item's result into its own slot, or gathers the
// chunks' results in chunk order, gets the same answer with any number of threads.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <thread>
#include <vector>

namespace tengun {

/// Threads to use: TENGUN_THREADS when set to a positive number, else every core.
inline unsigned worker_threads()
{
    if (const char* env = std::getenv("TENGUN_THREADS")) {
        const long n = std::strtol(env, nullptr, 10);
        if (n > 0) {
            return static_cast<unsigned>(std::min(n, 256L));
        }
    }
    return std::max(1U, std::thread::hardware_concurrency());
}

/// Calls body(chunk, begin, end) for `chunks` contiguous ranges covering [0, n), each on a thread
/// of its own (the first on the caller's). `chunks` is at most worker_threads() and at least 1.
template <class Body>
void parallel_chunks(std::size_t n, std::size_t chunks, Body body)
{
    chunks = std::max<std::size_t>(1, std::min(chunks, n));
    if (chunks <= 1) {
        body(std::size_t{0}, std::size_t{0}, n);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(chunks - 1);
    const auto begin_of = [&](std::size_t c) { return n * c / chunks; };
    for (std::size_t c = 1; c < chunks; ++c) {
        threads.emplace_back([&, c] { body(c, begin_of(c), begin_of(c + 1)); });
    }
    body(std::size_t{0}, begin_of(0), begin_of(1));
    for (std::thread& t : threads) {
        t.join();
    }
}

/// body(i) for every i in [0, n), over the worker threads (one thread below `serial_below` items).
template <class Body>
void parallel_for(std::size_t n, Body body, std::size_t serial_below = 2048)
{
    const std::size_t chunks = n < serial_below ? 1 : worker_threads();
    parallel_chunks(n, chunks, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            body(i);
        }
    });
}

} // namespace tengun
