#include "core/export/bufferedoutput.h"

#include <QIODevice>

namespace torvane {

namespace {
constexpr std::size_t flushThreshold = 1 << 20;
}

BufferedOutput::BufferedOutput(QIODevice &device) : device(device)
{
    buffer.reserve(flushThreshold + (1 << 16));
}

void BufferedOutput::flushIfFull()
{
    if (buffer.size() >= flushThreshold)
        flush();
}

bool BufferedOutput::flush()
{
    if (!buffer.empty() && !failed) {
        const auto size = static_cast<qint64>(buffer.size());
        failed = device.write(buffer.data(), size) != size;
    }
    buffer.clear();
    return !failed;
}

} // namespace torvane
