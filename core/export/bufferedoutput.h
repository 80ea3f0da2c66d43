#pragma once

#include <string>
#include <string_view>

class QIODevice;

namespace torvane {

// Gathers bytes and hands them to a device in large pieces. A short or failed write is kept:
// ok() stays false from then on, so callers check once at the end and cancel the file.
class BufferedOutput
{
public:
    explicit BufferedOutput(QIODevice &device);
    BufferedOutput(const BufferedOutput &) = delete;
    BufferedOutput &operator=(const BufferedOutput &) = delete;

    void append(std::string_view bytes)
    {
        buffer.append(bytes);
        flushIfFull();
    }
    void put(char c) { buffer.push_back(c); }
    // For writers that build their bytes in place; call flushIfFull() after each record.
    std::string &data() { return buffer; }
    void flushIfFull();
    // Everything buffered to the device; false when any write so far failed.
    bool flush();
    bool ok() const { return !failed; }

private:
    QIODevice &device;
    std::string buffer;
    bool failed = false;
};

} // namespace torvane
