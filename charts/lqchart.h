#pragma once

#include "charts/lqchartunits.h"
#include "core/inductance/frequencyresponse.h"

#include <QChart>

#include <memory>

// L (left axis) and Q (right axis) against frequency on a log axis, in free space and, when
// the response has them, in the box; the peak Q and its frequency marked. Empty, with the
// reason as its title, when the response has no values.
std::unique_ptr<QChart> makeLqChart(const torvane::FrequencyResponse &response,
                                    const LqChartUnits &units);
