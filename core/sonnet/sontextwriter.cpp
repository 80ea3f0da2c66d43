#include "core/sonnet/sontextwriter.h"

#include "core/sonnet/numberformat.h"

#include <QIODevice>

namespace {
constexpr std::size_t flushThreshold = 1 << 20;
}

SonTextWriter::SonTextWriter(QIODevice *device) : device(device)
{
    buffer.reserve(flushThreshold + formatBufferSize);
}

SonTextWriter::SonTextWriter(QByteArray *target) : target(target) {}

SonTextWriter::~SonTextWriter()
{
    flush();
}

SonTextWriter &SonTextWriter::operator<<(const QString &text)
{
    // Latin-1 by hand: no temporary array for the many short words.
    for (const QChar c : text)
        buffer.push_back(c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?');
    flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(const char *text)
{
    buffer.append(text);
    flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(char c)
{
    buffer.push_back(c);
    if (c == '\n')
        flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(int value)
{
    return *this << static_cast<long long>(value);
}

SonTextWriter &SonTextWriter::operator<<(unsigned value)
{
    return *this << static_cast<long long>(value);
}

SonTextWriter &SonTextWriter::operator<<(long long value)
{
    char text[formatBufferSize];
    buffer.append(text, writeInteger(text, value));
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(double value)
{
    char text[formatBufferSize];
    buffer.append(text, writeReal(text, value));
    return *this;
}

SonTextWriter &SonTextWriter::fixed7(double value)
{
    char text[formatBufferSize];
    buffer.append(text, writeFixed7(text, value));
    return *this;
}

void SonTextWriter::flushIfFull()
{
    if (buffer.size() >= flushThreshold)
        flush();
}

bool SonTextWriter::flush()
{
    if (buffer.empty())
        return !failed;
    const auto size = static_cast<qsizetype>(buffer.size());
    if (target)
        target->append(buffer.data(), size);
    else if (!failed && device->write(buffer.data(), size) != size)
        failed = true;
    buffer.clear();
    return !failed;
}
