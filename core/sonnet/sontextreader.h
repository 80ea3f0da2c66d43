#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace torvane {

class PageWindow;

// Reads the words, lines and numbers of a Sonnet project held in memory as Latin-1 bytes.
// Whitespace is ASCII only, so bytes such as 0xA0 stay inside names and survive unchanged.
// Every operation stops at the end of the input; nothing ever reads past it.
class SonTextReader
{
public:
    SonTextReader(const char *begin, const char *end) : pos(begin), end(end), nextReport(end) {}
    explicit SonTextReader(QByteArrayView text) : SonTextReader(text.begin(), text.end()) {}
    // Over mapped bytes, whose window hears how far reading has come (see PageWindow).
    explicit SonTextReader(PageWindow &window);
    // The same, reading on past the window's end up to `end`.
    SonTextReader(PageWindow &window, const char *end);

    bool atEnd() const { return pos == end; }
    qsizetype remainingBytes() const { return end - pos; }
    const char *position() const { return pos; }
    const char *textEnd() const { return end; }
    // Whether the bytes are mapped and read through a page window.
    bool throughWindow() const { return window != nullptr; }
    // Moves on to `position`, which lies between the current position and the end.
    void skipTo(const char *position)
    {
        pos = position;
        reportProgress();
    }

    // Skips whitespace (line breaks included) and returns the next run of other bytes; the
    // byte that ends it is not consumed. Empty at the end of the input.
    QByteArrayView readWordView();
    QString readWord() { return QString::fromLatin1(readWordView()); }
    // The same, but only from the current line: empty when the line holds no further word.
    QByteArrayView readWordOnLineView();

    // The bytes up to the end of the current line, without its line end (the LF and every CR
    // before it, or the CRs before the end of the input), which is consumed.
    QByteArrayView readLineView();
    QString readLine() { return QString::fromLatin1(readLineView()); }
    void skipRestOfLine() { readLineView(); }

    // Numbers skip whitespace and take the longest run that forms a number. When none does,
    // the result is 0, *ok is false and only the whitespace has been consumed.
    std::int64_t readInteger(bool *ok = nullptr);
    int readInt(bool *ok = nullptr);
    unsigned readUnsigned(bool *ok = nullptr);
    double readReal(bool *ok = nullptr);
    // Two reals, such as a point's coordinates, exactly as two readReal() calls read them;
    // false when either is missing.
    bool readRealPair(double &first, double &second);

    static bool isSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }

    void skipSpace()
    {
        while (pos != end && isSpace(*pos))
            ++pos;
        reportProgress();
    }

private:
    void reportProgress()
    {
        if (pos > nextReport)
            tellWindow();
    }
    void tellWindow();

    const char *pos;
    const char *end;
    PageWindow *window = nullptr;
    const char *nextReport; // the end, which pos never passes, unless reading through a window
};

} // namespace torvane
