#include "core/sonnet/sontextwriter.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace torvane {

namespace {
// Large enough that the system calls cost nothing, small enough to stay in the cache.
constexpr qsizetype bufferSize = 1 << 20;
} // namespace

SonTextWriter::SonTextWriter(QIODevice *device)
    : device(device), buffer(new char[bufferSize + formatBufferSize]), cursor(buffer.get()),
      roomLimit(buffer.get() + bufferSize)
{}

SonTextWriter::SonTextWriter(QByteArray *target) : target(target)
{
    cursor = target->data() + target->size();
    roomLimit = cursor; // the array gets its room with the first item
}

SonTextWriter::~SonTextWriter()
{
    flush();
}

SonTextWriter &SonTextWriter::operator<<(const QString &text)
{
    // Latin-1 by hand, in pieces that fit the room: no temporary array for the many words.
    const QChar *next = text.constData();
    for (qsizetype left = text.size(); left > 0;) {
        const qsizetype piece = std::min<qsizetype>(left, formatBufferSize);
        char *out = room();
        for (qsizetype i = 0; i < piece; ++i) {
            const char16_t c = next[i].unicode();
            out[i] = c < 256 ? static_cast<char>(c) : '?';
        }
        cursor += piece;
        next += piece;
        left -= piece;
    }
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(const char *text)
{
    return writeBytes(QByteArrayView(text, static_cast<qsizetype>(std::strlen(text))));
}

SonTextWriter &SonTextWriter::writeBytes(QByteArrayView bytes)
{
    if (device && bytes.size() >= bufferSize) {
        if (flush() && device->write(bytes.data(), bytes.size()) != bytes.size())
            failed = true;
        return *this;
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const qsizetype piece = std::min<qsizetype>(bytes.size() - done, formatBufferSize);
        std::memcpy(room(), bytes.data() + done, static_cast<std::size_t>(piece));
        cursor += piece;
        done += piece;
    }
    return *this;
}

void SonTextWriter::makeRoom()
{
    if (device) {
        flush();
        return;
    }
    // The array grows by doubling; its size includes the room until flush() cuts it back.
    const qsizetype used = cursor - target->data();
    target->resize(std::max(2 * used, used + bufferSize) + formatBufferSize);
    cursor = target->data() + used;
    roomLimit = target->data() + target->size() - formatBufferSize;
}

bool SonTextWriter::flush()
{
    if (target) {
        target->resize(cursor - target->data());
        cursor = target->data() + target->size();
        roomLimit = cursor;
        return true;
    }
    const qsizetype size = cursor - buffer.get();
    cursor = buffer.get();
    if (size > 0 && !failed && device->write(buffer.get(), size) != size)
        failed = true;
    return !failed;
}

} // namespace torvane
