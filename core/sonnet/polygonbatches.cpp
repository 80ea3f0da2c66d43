#include "core/sonnet/polygonbatches.h"

#include "core/sonnet/projectio.h"

#include "core/files/mappedfile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {
// Less text than this is not worth a thread of its own.
constexpr qsizetype partBytes = qsizetype(4) << 20;

int automaticParts(qsizetype bytes)
{
    const auto processors =
        static_cast<qsizetype>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(
        std::clamp<qsizetype>(bytes / partBytes, 1, std::min<qsizetype>(processors, 8)));
}

// A thread when one can be had, else the caller's own, when it asks for the result.
template <typename Work> auto launch(Work work)
{
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (const std::system_error &) {
        return std::async(std::launch::deferred, std::move(work));
    }
}

// The start of the line after the first bare "END" line that starts after `from`; null when
// there is none.
const char *afterEndLine(const char *from, const char *end)
{
    for (const char *p = from; p < end;) {
        const void *newline = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!newline)
            return nullptr;
        const char *line = static_cast<const char *>(newline) + 1;
        if (end - line >= 4 && std::memcmp(line, "END", 3) == 0 &&
            (line[3] == '\n' || line[3] == '\r')) {
            const void *lineEnd =
                std::memchr(line + 3, '\n', static_cast<std::size_t>(end - line - 3));
            return lineEnd ? static_cast<const char *>(lineEnd) + 1 : nullptr;
        }
        p = line;
    }
    return nullptr;
}

// glibc grows a helper thread's heap a page at a time, one system call each, and every call
// holds up the page faults of the thread reading the other half. Grown once in large blocks and
// handed back, the heap keeps its reach and later grows without them.
void growHeapAhead(qsizetype bytes)
{
    constexpr qsizetype block = qsizetype(96) << 10; // below the size malloc maps on its own
    std::vector<std::unique_ptr<char[]>> blocks;
    blocks.reserve(static_cast<std::size_t>(bytes / block + 1));
    for (qsizetype grown = 0; grown < bytes; grown += block)
        blocks.push_back(std::make_unique_for_overwrite<char[]>(block));
}

struct SectionTail
{
    QList<Polygon> polygons;
    std::vector<const char *> ends; // the reader's position after each
};
} // namespace

void writePolygons(SonTextWriter &out, const QList<Polygon> &polygons, int parts)
{
    qsizetype points = 0;
    for (const Polygon &polygon : polygons)
        points += polygon.points.size();
    const qsizetype bytes = 26 * points + 40 * polygons.size(); // near enough
    const int partCount = parts > 0 ? parts : automaticParts(bytes);
    // Batches of about a megabyte in turns: this thread writes the first of each turn straight
    // into the output, helpers the others into arrays that follow it in order.
    const qsizetype batches =
        std::min(polygons.size(), std::max<qsizetype>(bytes >> 20, qsizetype{4} * partCount));
    const auto writeBatch = [&](SonTextWriter &to, qsizetype batch) {
        const qsizetype first = polygons.size() * batch / batches;
        const qsizetype last = polygons.size() * (batch + 1) / batches;
        for (qsizetype i = first; i < last; ++i)
            writePolygon(to, polygons[i]);
    };
    // Batches much larger than a megabyte (a few polygons with very many points) would hold
    // too much text in memory at once.
    if (partCount <= 1 || batches < 2 || bytes / batches > qsizetype{8} << 20) {
        for (const Polygon &polygon : polygons)
            writePolygon(out, polygon);
        return;
    }
    std::vector<QByteArray> texts(static_cast<std::size_t>(partCount - 1));
    for (qsizetype turn = 0; turn < batches; turn += partCount) {
        std::vector<std::future<void>> helpers;
        for (qsizetype batch = turn + 1; batch < std::min(turn + partCount, batches); ++batch) {
            QByteArray &text = texts[static_cast<std::size_t>(batch - turn - 1)];
            text.resize(0); // its room stays for the next turn
            helpers.push_back(launch([&writeBatch, &text, batch] {
                SonTextWriter to(&text);
                writeBatch(to, batch);
            }));
        }
        writeBatch(out, turn);
        for (std::size_t j = 0; j < helpers.size(); ++j) {
            helpers[j].get();
            out.writeBytes(texts[j]);
        }
    }
}

std::int64_t readPolygonsInTwo(SonTextReader &in, std::int64_t count, QList<Polygon> &polygons,
                               qsizetype splitBytes)
{
    if (count < 2 || in.remainingBytes() < splitBytes || std::thread::hardware_concurrency() < 2)
        return 0;
    const char *end = in.textEnd();
    const char *split = afterEndLine(in.position() + in.remainingBytes() / 2, end);
    if (!split)
        return 0;
    // Lowered once the first half knows how many polygons are left for the second.
    std::atomic<std::int64_t> limit{count};
    const bool mapped = in.throughWindow();
    // Room for the second half's share of the count, a little more, as far as its text can
    // hold polygons of 30 bytes; growing past that only costs a copy.
    const double share = double(end - split) / double(in.remainingBytes());
    const auto room = static_cast<qsizetype>(
        std::min({double(count), 1.1 * share * double(count) + 16, double(end - split) / 30}));
    auto tail = launch([split, end, mapped, room, &limit] {
        // Only mapped bytes may be handed back; pages of memory that was read would be lost.
        std::optional<PageWindow> window;
        if (mapped)
            window.emplace(split, end);
        SonTextReader from = window ? SonTextReader(*window) : SonTextReader(split, end);
        // Points take about two thirds of their text in memory.
        growHeapAhead((end - split) / 3 * 2);
        SectionTail part;
        part.polygons.reserve(room);
        part.ends.reserve(static_cast<std::size_t>(room));
        for (std::int64_t i = 0; i < limit.load(std::memory_order_relaxed) && !from.atEnd(); ++i) {
            readPolygon(from, part.polygons.emplaceBack());
            part.ends.push_back(from.position());
        }
        return part;
    });
    std::int64_t head = 0;
    while (head < count && !in.atEnd() && in.position() < split) {
        readPolygon(in, polygons.emplaceBack());
        ++head;
    }
    const bool aligned = in.position() == split && head < count;
    limit = aligned ? count - head : 0;
    SectionTail rest = tail.get();
    if (!aligned)
        return head;
    // The second half started where the first stopped and read as far as reading on would.
    const auto taken = static_cast<qsizetype>(
        std::min<std::int64_t>(static_cast<std::int64_t>(rest.polygons.size()), count - head));
    for (qsizetype i = 0; i < taken; ++i)
        polygons.append(std::move(rest.polygons[i]));
    if (taken > 0)
        in.skipTo(rest.ends[static_cast<std::size_t>(taken - 1)]);
    return head + taken;
}
