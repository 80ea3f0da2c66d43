#include "core/sonnet/polygonbatches.h"

#include "core/sonnet/heaproom.h"
#include "core/sonnet/projectio.h"

#include "core/files/mappedfile.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace torvane {

namespace {
// Less text than this is not worth a thread of its own.
constexpr qsizetype bytesPerThread = qsizetype(4) << 20;

int automaticParts(qsizetype bytes)
{
    const auto processors =
        static_cast<qsizetype>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(
        std::clamp<qsizetype>(bytes / bytesPerThread, 1, std::min<qsizetype>(processors, 8)));
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

// Runs task(0) to task(tasks - 1) on this thread and `helpers` others, each taking the next
// task not yet taken, so that no thread idles while another still has several. Each thread
// holds what prepare() gives it while it works.
template <typename Task, typename Prepare>
void shareTasks(std::size_t tasks, int helpers, const Task &task, const Prepare &prepare)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        [[maybe_unused]] const auto held = prepare();
        for (std::size_t i = next++; i < tasks; i = next++)
            task(i);
    };
    std::vector<std::future<void>> started;
    started.reserve(static_cast<std::size_t>(std::max(helpers, 0)));
    for (int i = 0; i < helpers; ++i)
        started.push_back(launch(work));
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

// Only mapped bytes may be handed back; pages of memory that was read would be lost.
std::optional<PageWindow> windowOver(bool mapped, const char *begin, const char *end)
{
    return mapped ? std::optional<PageWindow>(std::in_place, begin, end) : std::nullopt;
}

// The bare "END" lines that start in [from, to). Lines start at `lineStart` and after every
// newline, so the byte before `from` must be readable unless `from` is `lineStart`; an "E"
// elsewhere is no END.
std::int64_t endLinesIn(const char *from, const char *to, const char *textEnd,
                        const char *lineStart)
{
    std::int64_t count = 0;
    for (const char *p = from; p < to;) {
        const void *found = std::memchr(p, 'E', static_cast<std::size_t>(to - p));
        if (!found)
            break;
        const char *letter = static_cast<const char *>(found);
        count += (letter == lineStart || letter[-1] == '\n') && isEndLine(letter, textEnd);
        p = letter + 1;
    }
    return count;
}

// Counts over the part's window, which keeps its pages for reading the part.
std::int64_t countEndLines(const SectionPart &part, const char *textEnd,
                           std::optional<PageWindow> &window)
{
    std::int64_t count = 0;
    for (const char *p = part.begin; p < part.end;) {
        const char *stretchEnd = window ? std::min(part.end, window->advance(p)) : part.end;
        count += endLinesIn(p, stretchEnd, textEnd, part.begin);
        p = stretchEnd;
    }
    return count;
}

// Reads the part's wanted polygons into `places` from its start, with the text's end as the
// end: exactly as reading on from the polygon before it would.
void readPart(SectionPart &part, Polygon *places, const char *textEnd,
              std::optional<PageWindow> &window)
{
    SonTextReader from =
        window ? SonTextReader(*window, textEnd) : SonTextReader(part.begin, textEnd);
    std::int64_t i = 0;
    for (; i < part.wanted && !from.atEnd(); ++i)
        readPolygon(from, places[i]);
    if (i == part.wanted)
        part.readTo = from.position();
}
} // namespace

namespace {
// Batches of polygons formatted on every thread, written in order by the caller's thread,
// which formats one itself whenever the next to write is not ready: the thread that also
// copies the text into the file takes fewer batches, and none waits while work is left.
class BatchWriter
{
public:
    BatchWriter(const QList<Polygon> &polygons, qsizetype batches, int threads)
        : polygons(polygons), batches(static_cast<std::size_t>(batches)),
          texts(2 * static_cast<std::size_t>(threads)), done(this->batches, false)
    {}

    void run(SonTextWriter &out, int helpers)
    {
        std::vector<std::future<void>> started;
        started.reserve(static_cast<std::size_t>(helpers));
        for (int i = 0; i < helpers; ++i)
            started.push_back(launch([this] { formatWhileLeft(); }));
        writeInOrder(out);
        for (std::future<void> &helper : started)
            helper.get();
        if (failure)
            std::rethrow_exception(failure);
    }

private:
    // Formats the next batch not yet taken, if the room for its text is free; false when
    // there is none to take now.
    bool formatNext(std::unique_lock<std::mutex> &lock)
    {
        if (taken >= batches || taken >= written + texts.size() || failure)
            return false;
        const std::size_t batch = taken++;
        lock.unlock();
        try {
            QByteArray &text = texts[batch % texts.size()];
            text.resize(0); // its room stays for the next batch
            SonTextWriter to(&text);
            const auto size = static_cast<std::size_t>(polygons.size());
            for (std::size_t i = size * batch / batches; i < size * (batch + 1) / batches; ++i)
                writePolygon(to, polygons[static_cast<qsizetype>(i)]);
        } catch (...) {
            lock.lock();
            failure = std::current_exception();
            changed.notify_all();
            return false;
        }
        lock.lock();
        done[batch] = true;
        changed.notify_all();
        return true;
    }

    void formatWhileLeft()
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (taken < batches && !failure) {
            if (!formatNext(lock) && !failure)
                changed.wait(lock);
        }
    }

    void writeInOrder(SonTextWriter &out)
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (written < batches && !failure) {
            if (done[written]) {
                lock.unlock();
                out.writeBytes(texts[written % texts.size()]);
                lock.lock();
                ++written;
                changed.notify_all();
            } else if (!formatNext(lock) && !failure) {
                changed.wait(lock);
            }
        }
    }

    const QList<Polygon> &polygons;
    const std::size_t batches;
    std::vector<QByteArray> texts; // a ring: batch i's text is texts[i % size]
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> done;
    std::size_t taken = 0;
    std::size_t written = 0;
    std::exception_ptr failure;
};
} // namespace

void writePolygons(SonTextWriter &out, const QList<Polygon> &polygons, int parts)
{
    qsizetype points = 0;
    for (const Polygon &polygon : polygons)
        points += polygon.points.size();
    const qsizetype bytes = 26 * points + 40 * polygons.size(); // near enough
    const int partCount = parts > 0 ? parts : automaticParts(bytes);
    const qsizetype batches =
        std::min(polygons.size(), std::max<qsizetype>(bytes >> 20, qsizetype{4} * partCount));
    // Batches much larger than a megabyte (a few polygons with very many points) would hold
    // too much text in memory at once.
    if (partCount <= 1 || batches < 2 || bytes / batches > qsizetype{8} << 20) {
        for (const Polygon &polygon : polygons)
            writePolygon(out, polygon);
        return;
    }
    BatchWriter(polygons, batches, partCount).run(out, partCount - 1);
}

namespace {
// Counts, places and reads the parts on all threads at once, in the order of their start. A
// part's polygons take the places after those of the parts before it, so a thread that has
// counted its part waits until those are placed; the list grows a part at a time, within the
// room made for the claimed count. A part's pages are brought in once, for counting and
// reading both.
class PartPipeline
{
public:
    PartPipeline(std::vector<SectionPart> &parts, QList<Polygon> &polygons, std::int64_t count,
                 const char *textEnd, bool mapped)
        : parts(parts), polygons(polygons), count(count), textEnd(textEnd), mapped(mapped),
          base(polygons.size()), places(polygons.data() + base)
    {}

    void take(std::size_t i)
    {
        try {
            SectionPart &part = parts[i];
            std::optional<PageWindow> window = windowOver(mapped, part.begin, part.end);
            part.endLines = countEndLines(part, textEnd, window);
            if (place(i))
                readPart(part, places + part.first, textEnd, window);
            if (window)
                window->handBack();
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            failed = true;
            placed.notify_all();
            throw;
        }
    }

    // The parts that start before the count is reached, as reading one polygon after the other
    // would go on to them.
    std::size_t usedParts() const
    {
        return static_cast<std::size_t>(
            std::count_if(parts.begin(), parts.end(),
                          [&](const SectionPart &part) { return part.first < count; }));
    }

private:
    // Gives the part its first polygon's index and the polygons wanted from it, up to the
    // count, and their places in the list; false when another thread failed.
    bool place(std::size_t i)
    {
        std::unique_lock<std::mutex> lock(mutex);
        placed.wait(lock, [&] { return placedParts == i || failed; });
        if (failed)
            return false;
        SectionPart &part = parts[i];
        part.first = placedPolygons;
        part.wanted = std::clamp<std::int64_t>(count - part.first, 0, part.endLines);
        placedPolygons += part.wanted;
        polygons.resize(base + static_cast<qsizetype>(placedPolygons));
        ++placedParts;
        placed.notify_all();
        return true;
    }

    std::vector<SectionPart> &parts;
    QList<Polygon> &polygons;
    const std::int64_t count;
    const char *const textEnd;
    const bool mapped;
    const qsizetype base;
    Polygon *const places; // within the room made, which the list never leaves
    std::mutex mutex;
    std::condition_variable placed;
    std::size_t placedParts = 0;
    std::int64_t placedPolygons = 0;
    bool failed = false;
};

// The first part that does not start where the one before it stopped, or `used`.
std::size_t firstMisplacedPart(const std::vector<SectionPart> &parts, std::size_t used)
{
    for (std::size_t i = 0; i < used; ++i) {
        const bool last = i + 1 == used;
        if (!parts[i].readTo || (!last && parts[i].readTo != parts[i].end))
            return i;
    }
    return used;
}
} // namespace

std::int64_t readPolygonsInParts(SonTextReader &in, std::int64_t count, QList<Polygon> &polygons,
                                 qsizetype partBytes)
{
    const auto threads = static_cast<int>(std::min(8u, std::thread::hardware_concurrency()));
    // Room for the claimed count is made only when the text can hold that many polygons (of
    // at least 30 bytes each); otherwise the caller reads one after the other.
    if (count < 2 || in.remainingBytes() / 4 < partBytes || threads < 2 ||
        count > in.remainingBytes() / 30)
        return 0;
    const char *textEnd = in.textEnd();
    const qsizetype base = polygons.size();
    polygons.reserve(base + static_cast<qsizetype>(count));
    const auto room = reinterpret_cast<std::uintptr_t>(polygons.data() + base);
    adviseHugePages(room, room + sizeof(Polygon) * static_cast<std::uintptr_t>(count));
    std::vector<SectionPart> parts = cutIntoParts(in.position(), textEnd, partBytes);
    const int helpers = static_cast<int>(std::min<std::size_t>(threads, parts.size())) - 1;
    PartPipeline pipeline(parts, polygons, count, textEnd, in.throughWindow());
    // Points take about two thirds of their text in memory. Threads share the parts unevenly,
    // so each makes room for more than an even share.
    const qsizetype heapShare = (textEnd - in.position()) / 3 * 2 / (helpers + 1) * 5 / 4;
    shareTasks(
        parts.size(), helpers, [&](std::size_t i) { pipeline.take(i); },
        [heapShare] { return HeapRoom(heapShare); });

    // From the first part that does not start where the one before it stopped, the caller
    // reads on one polygon after the other.
    const std::size_t used = pipeline.usedParts();
    if (const std::size_t wrong = firstMisplacedPart(parts, used); wrong < used) {
        polygons.resize(base + static_cast<qsizetype>(parts[wrong].first));
        in.skipTo(parts[wrong].begin);
        return parts[wrong].first;
    }
    in.skipTo(parts[used - 1].readTo);
    return parts[used - 1].first + parts[used - 1].wanted;
}

} // namespace torvane
