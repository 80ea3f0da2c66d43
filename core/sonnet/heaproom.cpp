#include "core/sonnet/heaproom.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <sys/mman.h>

namespace torvane {

namespace {
// Far above the size from which malloc maps a block of its own at the start, but within the
// size to which it raises that limit once such a block is freed. Each block's header is written
// as it is taken, which keeps the 2 MB around it in small pages: large blocks lose few.
constexpr std::size_t blockBytes = std::size_t(16) << 20;

std::uintptr_t addressOf(const void *pointer)
{
    return reinterpret_cast<std::uintptr_t>(pointer);
}

// Huge pages for every run of blocks that lie one after the other in the heap.
void adviseRuns(std::vector<std::uintptr_t> starts)
{
    std::sort(starts.begin(), starts.end());
    constexpr std::uintptr_t gap = 64; // malloc's header between neighbouring blocks
    std::size_t first = 0;
    for (std::size_t i = 1; i <= starts.size(); ++i) {
        if (i == starts.size() || starts[i] - starts[i - 1] > blockBytes + gap) {
            adviseHugePages(starts[first], starts[i - 1] + blockBytes);
            first = i;
        }
    }
}
} // namespace

void adviseHugePages(std::uintptr_t from, std::uintptr_t to)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t first = (from + hugePage - 1) / hugePage * hugePage;
    const std::uintptr_t last = to / hugePage * hugePage;
    // Only advice: where it is refused, pages stay small.
    if (last > first) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    }
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
#endif
}

HeapRoom::HeapRoom(qsizetype bytes)
{
    if (bytes <= 0)
        return;
    // A block malloc mapped on its own and freed raises the size up to which it takes blocks
    // from the heap (glibc's dynamic threshold); where it does not, the blocks below are mapped
    // on their own and freed again, which costs little and changes nothing.
    // (Volatile: an allocation freed unused may be left out altogether.)
    char *volatile probe = static_cast<char *>(std::malloc(blockBytes));
    std::free(probe);
    // The last block is the fence.
    std::vector<std::unique_ptr<char[]>> blocks(
        (static_cast<std::size_t>(bytes) + blockBytes - 1) / blockBytes + 1);
    std::vector<std::uintptr_t> starts;
    starts.reserve(blocks.size());
    for (std::unique_ptr<char[]> &block : blocks) {
        block = std::make_unique_for_overwrite<char[]>(blockBytes);
        starts.push_back(addressOf(block.get()));
    }
    adviseRuns(std::move(starts));
    fence = std::move(blocks.back());
}

} // namespace torvane
