#pragma once

#include "core/sonnet/numberformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QIODevice;

namespace torvane {

// Writes Sonnet project text as Latin-1 with LF line ends, buffered, into a device or at the
// end of a byte array. Reals use the six-digit general form unless written with fixed7().
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
        *room()++ = c;
        return *this;
    }
    SonTextWriter &operator<<(int value) { return *this << static_cast<long long>(value); }
    SonTextWriter &operator<<(unsigned value) { return *this << static_cast<long long>(value); }
    SonTextWriter &operator<<(long long value)
    {
        cursor = writeInteger(room(), value);
        return *this;
    }
    SonTextWriter &operator<<(double value)
    {
        cursor = writeReal(room(), value);
        return *this;
    }
    SonTextWriter &fixed7(double value)
    {
        cursor = writeFixed7(room(), value);
        return *this;
    }
    // Text made elsewhere, such as by another writer into an array, as it is.
    SonTextWriter &writeBytes(QByteArrayView bytes);

    // Hands buffered text to the device or array; false once any write has failed.
    bool flush();
    bool ok() const { return !failed; }

private:
    // The cursor, with room for any single item (formatBufferSize bytes) behind it.
    char *&room()
    {
        if (cursor >= roomLimit)
            makeRoom();
        return cursor;
    }
    void makeRoom();

    QIODevice *device = nullptr;
    QByteArray *target = nullptr;
    std::unique_ptr<char[]> buffer; // for a device; an array is written in place
    char *cursor = nullptr;
    char *roomLimit = nullptr;
    bool failed = false;
};

} // namespace torvane
