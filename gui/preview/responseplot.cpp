#include "gui/preview/responseplot.h"

#include "charts/lqchart.h"

#include <QChartView>
#include <QLabel>
#include <QVBoxLayout>

using namespace torvane;

ResponsePlot::ResponsePlot(QWidget *parent)
    : QWidget(parent), view(new QChartView), status(new QLabel)
{
    view->setRenderHint(QPainter::Antialiasing);
    // A chart asks for room it can do without; the layout picture beside it sets the size.
    view->setMinimumSize(160, 120);
    status->setObjectName(QStringLiteral("responseStatusLabel"));
    status->setWordWrap(true);
    status->setText(tr("No template loaded: L and Q follow once one is."));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(status);
    layout->addWidget(view, 1);
    setToolTip(tr("L and Q of the path between the reference planes, from the metals of the "
                  "template. No capacitances are modelled: the values hold well below the "
                  "self-resonance."));
}

void ResponsePlot::showResponse(std::shared_ptr<const FrequencyResponse> response,
                                const LqChartUnits &units)
{
    shown = std::move(response);
    stale = false;
    view->setChart(makeLqChart(*shown, units).release()); // the view takes the chart
    view->setEnabled(true);
    status->setText(shown->hasValues() ? QString() : tr("No L and Q: ") + shown->reason);
    status->setVisible(!shown->hasValues());
}

void ResponsePlot::showComputing(int percent)
{
    stale = true;
    view->setEnabled(false); // greyed: these are the values of before
    status->setText(tr("computing\u2026 %1 %").arg(percent));
    status->setVisible(true);
}

void ResponsePlot::showNone(const QString &reason)
{
    shown.reset();
    stale = true;
    view->setChart(new QChart);
    view->setEnabled(false);
    status->setText(tr("No L and Q: ") + reason);
    status->setVisible(true);
}
