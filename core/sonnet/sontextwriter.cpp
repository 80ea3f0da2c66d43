#include "core/sonnet/sontextwriter.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {
// Large enough that the system calls cost nothing, small enough to stay in the cache.
constexpr std::size_t flushSize = 1 << 20;
} // namespace

SonTextWriter::SonTextWriter(QIODevice *device) : SonTextWriter(static_cast<QByteArray *>(nullptr))
{
    this->device = device;
}

SonTextWriter::SonTextWriter(QByteArray *target)
    : target(target), buffer(new char[flushSize + formatBufferSize]), cursor(buffer.get()),
      flushLimit(buffer.get() + flushSize)
{}

SonTextWriter::~SonTextWriter()
{
    flush();
}

SonTextWriter &SonTextWriter::operator<<(const QString &text)
{
    // Latin-1 by hand, in pieces that fit the buffer: no temporary array for the many words.
    const QChar *next = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        const qsizetype piece = std::min<qsizetype>(left, formatBufferSize);
        for (qsizetype i = 0; i < piece; ++i) {
            const char16_t c = next[i].unicode();
            cursor[i] = c < 256 ? static_cast<char>(c) : '?';
        }
        next += piece;
        left -= piece;
        written(cursor + piece);
    }
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(const char *text)
{
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const std::size_t piece = std::min<std::size_t>(left, formatBufferSize);
        std::memcpy(cursor, text, piece);
        text += piece;
        left -= piece;
        written(cursor + piece);
    }
    return *this;
}

bool SonTextWriter::flush()
{
    const auto size = static_cast<qsizetype>(cursor - buffer.get());
    cursor = buffer.get();
    if (size == 0)
        return !failed;
    if (target)
        target->append(buffer.get(), size);
    else if (!failed && device->write(buffer.get(), size) != size)
        failed = true;
    return !failed;
}
