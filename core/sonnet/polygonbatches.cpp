#include "core/sonnet/polygonbatches.h"

#include "core/sonnet/projectio.h"

#include <algorithm>
#include <future>
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
