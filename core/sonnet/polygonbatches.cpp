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

#include <sys/mman.h>
#include <unistd.h>

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

// Whether a bare "END" line (a polygon's last) starts at `line`.
bool isEndLine(const char *line, const char *end)
{
    return end - line >= 3 && std::memcmp(line, "END", 3) == 0 &&
           (end - line == 3 || line[3] == '\n' || line[3] == '\r');
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
        if (isEndLine(line, end)) {
            const void *lineEnd =
                std::memchr(line + 3, '\n', static_cast<std::size_t>(end - line - 3));
            return lineEnd ? static_cast<const char *>(lineEnd) + 1 : nullptr;
        }
        p = line;
    }
    return nullptr;
}

// glibc grows a helper thread's heap a page at a time, one system call each, and every call
// holds up the page faults of the other threads. Grown once in large blocks and handed back,
// the heap keeps its reach and later grows without them.
void growHeapAhead(qsizetype bytes)
{
    constexpr qsizetype block = qsizetype(96) << 10; // below the size malloc maps on its own
    std::vector<std::unique_ptr<char[]>> blocks;
    blocks.reserve(static_cast<std::size_t>(bytes / block + 1));
    for (qsizetype grown = 0; grown < bytes; grown += block)
        blocks.push_back(std::make_unique_for_overwrite<char[]>(block));
}

// Runs task(0) to task(tasks - 1) on this thread and `helpers` others, each taking the next
// task not yet taken, so that no thread idles while another still has several.
template <typename Task, typename Start>
void shareTasks(std::size_t tasks, int helpers, const Task &task, const Start &startHelper)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < tasks; i = next++)
            task(i);
    };
    std::vector<std::future<void>> started;
    started.reserve(static_cast<std::size_t>(std::max(helpers, 0)));
    for (int i = 0; i < helpers; ++i) {
        started.push_back(launch([&] {
            startHelper();
            work();
        }));
    }
    work();
    for (std::future<void> &helper : started)
        helper.get();
}

// A stretch of a polygon section that starts where a polygon may start: at the section's start
// or right after a bare "END" line.
struct SectionPart
{
    const char *begin = nullptr;
    const char *end = nullptr; // the next part's begin, or the end of the text
    std::int64_t endLines = 0; // the polygons in it when every polygon ends as written
    std::int64_t first = 0;    // the index of its first polygon among those read
    std::int64_t wanted = 0;
    const char *readTo = nullptr; // null when its polygons could not all be read
};

std::vector<SectionPart> cutIntoParts(const char *begin, const char *end, qsizetype partBytes)
{
    std::vector<SectionPart> parts;
    const char *from = begin;
    while (end - from > partBytes) {
        const char *next = afterEndLine(from + partBytes, end);
        if (!next)
            break;
        parts.push_back({from, next});
        from = next;
    }
    parts.push_back({from, end});
    return parts;
}

// Brings in the pages wholly inside [from, to) for writing, as writing to them would.
void prefault(std::uintptr_t from, std::uintptr_t to)
{
#ifdef MADV_POPULATE_WRITE
    static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (from + pageSize - 1) / pageSize * pageSize;
    const std::uintptr_t last = to / pageSize * pageSize;
    if (last > first) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
    }
#endif
}

// Only mapped bytes may be handed back; pages of memory that was read would be lost.
std::optional<PageWindow> windowOver(bool mapped, const char *begin, const char *end)
{
    return mapped ? std::optional<PageWindow>(std::in_place, begin, end) : std::nullopt;
}

std::int64_t countEndLines(const SectionPart &part, const char *textEnd, bool mapped)
{
    std::optional<PageWindow> window = windowOver(mapped, part.begin, part.end);
    std::int64_t count = 0;
    const char *nextReport = window ? window->advance(part.begin) : part.end;
    // Lines start at the part's start and after every newline; an "E" elsewhere is no END.
    for (const char *p = part.begin; p < part.end;) {
        const void *found = std::memchr(p, 'E', static_cast<std::size_t>(part.end - p));
        if (!found)
            break;
        const char *letter = static_cast<const char *>(found);
        if (letter > nextReport)
            nextReport = window->advance(letter);
        count += (letter == part.begin || letter[-1] == '\n') && isEndLine(letter, textEnd);
        p = letter + 1;
    }
    if (window)
        window->handBack();
    return count;
}

// Reads the part's wanted polygons into `places` from its start, with the text's end as the
// end: exactly as reading on from the polygon before it would.
void readPart(SectionPart &part, Polygon *places, const char *textEnd, bool mapped)
{
    std::optional<PageWindow> window = windowOver(mapped, part.begin, part.end);
    SonTextReader from =
        window ? SonTextReader(*window, textEnd) : SonTextReader(part.begin, textEnd);
    std::int64_t i = 0;
    for (; i < part.wanted && !from.atEnd(); ++i)
        readPolygon(from, places[i]);
    if (i == part.wanted)
        part.readTo = from.position();
    if (window)
        window->handBack();
}
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

std::int64_t readPolygonsInParts(SonTextReader &in, std::int64_t count, QList<Polygon> &polygons,
                                 qsizetype partBytes)
{
    const auto threads = static_cast<int>(std::min(8u, std::thread::hardware_concurrency()));
    if (count < 2 || in.remainingBytes() / 4 < partBytes || threads < 2)
        return 0;
    const char *textEnd = in.textEnd();
    const bool mapped = in.throughWindow();
    std::vector<SectionPart> parts = cutIntoParts(in.position(), textEnd, partBytes);
    const int helpers = static_cast<int>(std::min<std::size_t>(threads, parts.size())) - 1;
    shareTasks(
        parts.size(), helpers,
        [&](std::size_t i) { parts[i].endLines = countEndLines(parts[i], textEnd, mapped); },
        [] {});

    // Each part's polygons get their places in the list: after those of the parts before it.
    std::int64_t total = 0;
    std::size_t used = 0;
    for (; used < parts.size() && total < count; ++used) {
        parts[used].first = total;
        parts[used].wanted = std::min(parts[used].endLines, count - total);
        total += parts[used].wanted;
    }
    const qsizetype base = polygons.size();
    polygons.reserve(base + static_cast<qsizetype>(total));
    // The list's pages are brought in on all threads; constructing the polygons one after the
    // other would fault them in on one.
    const auto placesBegin = reinterpret_cast<std::uintptr_t>(polygons.data() + base);
    const std::uintptr_t placesBytes = sizeof(Polygon) * static_cast<std::uintptr_t>(total);
    constexpr std::uintptr_t stripe = std::uintptr_t(1) << 20;
    shareTasks(
        placesBytes / stripe + 1, helpers,
        [&](std::size_t i) {
            const std::uintptr_t from = placesBegin + i * stripe;
            prefault(from, std::min(from + stripe, placesBegin + placesBytes));
        },
        [] {});
    polygons.resize(base + static_cast<qsizetype>(total));
    Polygon *places = polygons.data() + base;
    // Points take about two thirds of their text in memory, shared among the threads.
    const qsizetype heapShare = (textEnd - in.position()) / 3 * 2 / (helpers + 1);
    shareTasks(
        used, helpers,
        [&](std::size_t i) { readPart(parts[i], places + parts[i].first, textEnd, mapped); },
        [heapShare] { growHeapAhead(heapShare); });

    // A part counts only when the one before it stopped exactly where it starts; from the
    // first that does not, the caller reads on one polygon after the other.
    for (std::size_t i = 0; i < used; ++i) {
        const bool last = i + 1 == used;
        if (!parts[i].readTo || (!last && parts[i].readTo != parts[i].end)) {
            polygons.resize(base + static_cast<qsizetype>(parts[i].first));
            in.skipTo(parts[i].begin);
            return parts[i].first;
        }
    }
    in.skipTo(parts[used - 1].readTo);
    return total;
}
