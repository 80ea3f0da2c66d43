#pragma once

#include "charts/lqchartunits.h"
#include "core/inductance/frequencyresponse.h"

#include <QWidget>

#include <memory>

class QChartView;
class QLabel;

// L and Q against frequency, beside the layout picture. While a new response is computed the
// plot of the old values stays greyed under a line that says so, with the progress, so that it
// is never taken for the current values.
class ResponsePlot : public QWidget
{
    Q_OBJECT

public:
    explicit ResponsePlot(QWidget *parent = nullptr);

    void showResponse(std::shared_ptr<const torvane::FrequencyResponse> response,
                      const LqChartUnits &units);
    // Values are on their way; `percent` of the work is done.
    void showComputing(int percent);
    // No values for the fields as they stand.
    void showNone(const QString &reason);

    QLabel *statusLabel() const { return status; }
    QChartView *chartView() const { return view; }
    // The response drawn, none before the first one.
    const torvane::FrequencyResponse *response() const { return shown.get(); }
    bool isStale() const { return stale; }

private:
    QChartView *view;
    QLabel *status;
    std::shared_ptr<const torvane::FrequencyResponse> shown;
    bool stale = true;
};
