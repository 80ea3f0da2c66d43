#pragma once

#include <functional>

namespace torvane {

// Runs job(0) to job(count - 1) on every core of the machine (at most `threads` when that is
// positive) and returns when all have run. Each index runs exactly once, in no fixed order;
// jobs must not throw and must guard what they share.
void parallelFor(int count, const std::function<void(int)> &job, int threads = 0);

int availableCores();

} // namespace torvane
