#pragma once

#include <QByteArray>
#include <QString>

#include <string>

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
    SonTextWriter &operator<<(char c);
    SonTextWriter &operator<<(int value);
    SonTextWriter &operator<<(unsigned value);
    SonTextWriter &operator<<(long long value);
    SonTextWriter &operator<<(double value);
    SonTextWriter &fixed7(double value);

    // Hands buffered text to the device or array; false once any write has failed.
    bool flush();
    bool ok() const { return !failed; }

private:
    void flushIfFull();

    QIODevice *device = nullptr;
    QByteArray *target = nullptr;
    std::string buffer;
    bool failed = false;
};
