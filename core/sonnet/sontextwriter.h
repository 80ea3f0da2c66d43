#pragma once

#include "core/sonnet/numberformat.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// Writes Sonnet project text as Latin-1 with LF line ends, buffered, into a device or a
// byte array. Reals use the six-digit general form unless written with fixed7().
class SonTextWriter
{
public:
    explicit SonTextWriter(QIODevice *device);
    explicit SonTextWriter(QByteArray *target);
    ~SonTextWriter();
    SonTextWriter(const SonTextWriter &) = delete;
    SonTextWriter &operator=(const SonTextWriter &) = delete;

    SonTextWriter &operator<<(const QString &text);
    SonTextWriter &operator<<(const char *text);
    SonTextWriter &operator<<(char c)
    {
        *cursor = c;
        return written(cursor + 1);
    }
    SonTextWriter &operator<<(int value) { return *this << static_cast<long long>(value); }
    SonTextWriter &operator<<(unsigned value) { return *this << static_cast<long long>(value); }
    SonTextWriter &operator<<(long long value) { return written(writeInteger(cursor, value)); }
    SonTextWriter &operator<<(double value) { return written(writeReal(cursor, value)); }
    SonTextWriter &fixed7(double value) { return written(writeFixed7(cursor, value)); }

    // Hands buffered text to the device or array; false once any write has failed.
    bool flush();
    bool ok() const { return !failed; }

private:
    // Every single item fits into the room kept behind the flush limit.
    SonTextWriter &written(char *newCursor)
    {
        cursor = newCursor;
        if (cursor >= flushLimit)
            flush();
        return *this;
    }

    QIODevice *device = nullptr;
    QByteArray *target = nullptr;
    std::unique_ptr<char[]> buffer;
    char *cursor;
    char *flushLimit;
    bool failed = false;
};
