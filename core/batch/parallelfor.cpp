#include "core/batch/parallelfor.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace torvane {

int availableCores()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void parallelFor(int count, const std::function<void(int)> &job, int threads)
{
    if (count <= 0)
        return;
    const int workers = std::min(count, threads > 0 ? threads : availableCores());
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int index = next++; index < count; index = next++)
            job(index);
    };
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(workers - 1));
    for (int t = 1; t < workers; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread &thread : pool)
        thread.join();
}

} // namespace torvane
