#include "cli/sweepprogress.h"

namespace {
constexpr int barWidth = 30;
constexpr qint64 redrawMs = 100;
} // namespace

SweepProgress::SweepProgress(QTextStream &err, int total, bool terminal)
    : m_err(err), m_total(total), m_terminal(terminal)
{
    if (m_terminal)
        drawBar();
}

void SweepProgress::finished(const QString &fileName, const QString &failure)
{
    const std::lock_guard lock(m_mutex);
    ++m_done;
    if (!failure.isEmpty())
        ++m_failed;
    if (m_terminal) {
        // The bar keeps its line; failures are in the index.
        if (m_done == m_total || m_sinceDrawn.elapsed() >= redrawMs)
            drawBar();
        return;
    }
    m_err << '[' << m_done << '/' << m_total << "] " << fileName;
    if (!failure.isEmpty())
        m_err << " failed: " << failure;
    m_err << '\n';
    m_err.flush();
}

void SweepProgress::close()
{
    const std::lock_guard lock(m_mutex);
    if (!m_terminal)
        return;
    drawBar();
    m_err << '\n';
    m_err.flush();
}

void SweepProgress::drawBar()
{
    const int filled = m_total > 0 ? m_done * barWidth / m_total : barWidth;
    const int percent = m_total > 0 ? m_done * 100 / m_total : 100;
    m_err << "\r[" << QString(filled, QLatin1Char('#'))
          << QString(barWidth - filled, QLatin1Char('-')) << "] " << m_done << '/' << m_total << ' '
          << percent << " %";
    if (m_failed > 0)
        m_err << ", " << m_failed << " failed";
    m_err.flush();
    m_sinceDrawn.start();
}
