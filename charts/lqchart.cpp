#include "charts/lqchart.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

using namespace torvane;

namespace {
const QColor inductanceColour(0x1f, 0x5f, 0xa8);
const QColor qColour(0xc0, 0x39, 0x2b);

QString number(double value)
{
    return QString::number(value, 'g', 3);
}

// Both curves of one response; dashed for the box.
void addCurves(QChart &chart, const std::vector<FrequencyPoint> &points, const LqChartUnits &units,
               const QString &where, Qt::PenStyle style, QAbstractAxis *frequency,
               QAbstractAxis *inductance, QAbstractAxis *q)
{
    auto *l = new QLineSeries(&chart);
    auto *quality = new QLineSeries(&chart);
    l->setName(QStringLiteral("L%1").arg(where));
    quality->setName(QStringLiteral("Q%1").arg(where));
    for (const FrequencyPoint &p : points) {
        l->append(p.frequency * units.perHertz, p.inductance * units.perHenry);
        quality->append(p.frequency * units.perHertz, p.q);
    }
    l->setPen(QPen(inductanceColour, 2, style));
    quality->setPen(QPen(qColour, 2, style));
    chart.addSeries(l);
    chart.addSeries(quality);
    l->attachAxis(frequency);
    l->attachAxis(inductance);
    quality->attachAxis(frequency);
    quality->attachAxis(q);
}

// Axis range with a margin, never empty.
std::pair<double, double> paddedRange(double low, double high, bool fromZero)
{
    if (fromZero)
        low = std::min(low, 0.0);
    const double margin = high > low ? 0.05 * (high - low) : std::max(1e-12, 0.05 * high);
    return {fromZero ? low : low - margin, high + margin};
}
} // namespace

std::unique_ptr<QChart> makeLqChart(const FrequencyResponse &response, const LqChartUnits &units)
{
    auto chart = std::make_unique<QChart>();
    chart->setAnimationOptions(QChart::NoAnimation);
    if (!response.hasValues()) {
        chart->setTitle(QStringLiteral("No L and Q: ") + response.reason);
        return chart;
    }
    // Two short lines, so that a narrow plot never cuts the title
    chart->setTitle(QStringLiteral("L and Q between the reference planes%1<br>no capacitances: "
                                   "valid well below the self-resonance")
                        .arg(response.inBox.empty() ? QStringLiteral(", free space")
                                                    : QStringLiteral("; solid: free space, "
                                                                     "dashed: in the box")));
    auto *frequency = new QLogValueAxis(chart.get());
    frequency->setTitleText(QStringLiteral("frequency [%1]").arg(units.frequency));
    frequency->setBase(10);
    frequency->setLabelFormat(QStringLiteral("%g"));
    frequency->setMinorTickCount(8);
    auto *inductance = new QValueAxis(chart.get());
    inductance->setTitleText(QStringLiteral("L [%1]").arg(units.inductance));
    inductance->setLabelsColor(inductanceColour);
    auto *q = new QValueAxis(chart.get());
    q->setTitleText(QStringLiteral("Q"));
    q->setLabelsColor(qColour);
    chart->addAxis(frequency, Qt::AlignBottom);
    chart->addAxis(inductance, Qt::AlignLeft);
    chart->addAxis(q, Qt::AlignRight);

    std::vector<FrequencyPoint> all = response.freeSpace;
    all.insert(all.end(), response.inBox.begin(), response.inBox.end());
    const auto [fLow, fHigh] = std::minmax_element(
        all.begin(), all.end(),
        [](const FrequencyPoint &a, const FrequencyPoint &b) { return a.frequency < b.frequency; });
    const auto [lLow, lHigh] = std::minmax_element(
        all.begin(), all.end(), [](const FrequencyPoint &a, const FrequencyPoint &b) {
            return a.inductance < b.inductance;
        });
    const auto qHigh = std::max_element(
        all.begin(), all.end(),
        [](const FrequencyPoint &a, const FrequencyPoint &b) { return a.q < b.q; });
    const double f0 = fLow->frequency * units.perHertz;
    const double f1 = fHigh->frequency * units.perHertz;
    frequency->setRange(f1 > f0 ? f0 : f0 / 1.1, f1 > f0 ? f1 : f0 * 1.1);
    const auto [l0, l1] =
        paddedRange(lLow->inductance * units.perHenry, lHigh->inductance * units.perHenry, false);
    inductance->setRange(l0, l1);
    const auto [q0, q1] = paddedRange(0, qHigh->q, true);
    q->setRange(q0, q1);

    addCurves(*chart, response.freeSpace, units, QString(), Qt::SolidLine, frequency, inductance,
              q);
    // The legend holds one row: only the free-space peak is marked.
    if (!response.inBox.empty())
        addCurves(*chart, response.inBox, units, QStringLiteral(" in box"), Qt::DashLine, frequency,
                  inductance, q);

    const FrequencyPoint peak = *response.peakQ();
    const double fPeak = peak.frequency * units.perHertz;
    auto *mark = new QScatterSeries(chart.get());
    mark->setName(
        QStringLiteral("peak Q %1 at %2 %3").arg(number(peak.q), number(fPeak), units.frequency));
    mark->setColor(qColour);
    mark->setMarkerSize(10);
    mark->append(fPeak, peak.q);
    auto *drop = new QLineSeries(chart.get());
    drop->setPen(QPen(qColour, 1, Qt::DotLine));
    drop->append(fPeak, q0);
    drop->append(fPeak, peak.q);
    chart->addSeries(drop);
    chart->addSeries(mark);
    for (QAbstractSeries *series :
         {static_cast<QAbstractSeries *>(drop), static_cast<QAbstractSeries *>(mark)}) {
        series->attachAxis(frequency);
        series->attachAxis(q);
    }
    chart->legend()->markers(drop).first()->setVisible(false);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}
