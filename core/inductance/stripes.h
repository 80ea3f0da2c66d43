#pragma once

#include <cstddef>
#include <thread>
#include <vector>

namespace torvane {

// Runs `stripe(first, step)` for first = 0 .. threads - 1, the first on the calling thread and
// the others on threads of their own, and returns once all are done.
template <typename Stripe> void runInStripes(std::size_t threads, const Stripe &stripe)
{
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < threads; ++t)
        workers.emplace_back(stripe, t, threads);
    stripe(0, threads);
    for (std::thread &worker : workers)
        worker.join();
}

} // namespace torvane
