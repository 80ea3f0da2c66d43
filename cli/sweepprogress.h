#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <mutex>

// How far a sweep has got, on stderr: a bar redrawn in place on a terminal, one line per
// project otherwise (a log or a pipe). Safe to call from the worker threads.
class SweepProgress
{
public:
    SweepProgress(QTextStream &err, int total, bool terminal);
    // failure: why the project was not written; empty when it was.
    void finished(const QString &fileName, const QString &failure);
    // Ends the bar's line.
    void close();

private:
    void drawBar();

    std::mutex m_mutex;
    QTextStream &m_err;
    const int m_total;
    const bool m_terminal;
    int m_done = 0;
    int m_failed = 0;
    QElapsedTimer m_sinceDrawn;
};
