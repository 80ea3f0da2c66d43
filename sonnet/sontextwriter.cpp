#include "sonnet/sontextwriter.h"

#include "sonnet/numberformat.h"

#include <QIODevice>

namespace {
constexpr qsizetype flushThreshold = 1 << 20;
}

SonTextWriter::SonTextWriter(QIODevice *device) : device(device)
{
    buffer.reserve(flushThreshold + 4096);
}

SonTextWriter::SonTextWriter(QByteArray *target) : target(target) {}

SonTextWriter::~SonTextWriter()
{
    flush();
}

SonTextWriter &SonTextWriter::operator<<(const QString &text)
{
    QByteArray &out = target ? *target : buffer;
    out.append(text.toLatin1());
    flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(const char *text)
{
    (target ? *target : buffer).append(text);
    flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(char c)
{
    (target ? *target : buffer).append(c);
    if (c == '\n')
        flushIfFull();
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(int value)
{
    appendInteger(target ? *target : buffer, value);
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(unsigned value)
{
    appendInteger(target ? *target : buffer, value);
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(long long value)
{
    appendInteger(target ? *target : buffer, value);
    return *this;
}

SonTextWriter &SonTextWriter::operator<<(double value)
{
    appendReal(target ? *target : buffer, value);
    return *this;
}

SonTextWriter &SonTextWriter::fixed7(double value)
{
    appendFixed7(target ? *target : buffer, value);
    return *this;
}

void SonTextWriter::flushIfFull()
{
    if (device && buffer.size() >= flushThreshold)
        flush();
}

bool SonTextWriter::flush()
{
    if (device && !buffer.isEmpty()) {
        if (!failed && device->write(buffer) != buffer.size())
            failed = true;
        buffer.clear();
    }
    return !failed;
}
