#pragma once

#include "core/design/result.h"
#include "core/sonnet/projectdocument.h"

#include <QString>

#include <vector>

namespace torvane {

// Frequencies in Hz, ascending, for the loss over frequency; or why there are none.
using FrequencySweep = torvane::Result<std::vector<double>>;

// Points of the default sweep: ten per decade from 0.1 to 10 GHz.
inline constexpr int defaultSweepPoints = 21;

// Hz per unit of a DIM FREQ name (HZ, KHZ, MHZ, GHZ, THZ, any case); 0 when unknown.
double hertzPerFrequencyUnit(const QString &unit);
// The unit as people write it ("GHz"), for a name hertzPerFrequencyUnit knows.
QString frequencyUnitText(const QString &unit);

// `count` points from low to high on a log scale (one point when they are equal).
std::vector<double> logSpacedFrequencies(double low, double high, int count);

// The template's analysis range: the lowest and highest frequency of its FREQ block (ABS,
// ABS_ENTRY, SIMPLE, SWEEP, LSWEEP, ESWEEP ranges and STEP points), on a log scale; 0.1 to
// 10 GHz when the template has no FREQ block.
FrequencySweep templateFrequencies(const ProjectDocument &document);

// A list ("1,2.5,10"), ranges START:STOP:STEP (stop included) or both, in the document's
// frequency unit, sorted.
FrequencySweep frequencyList(const QString &text, const QString &unit);

} // namespace torvane
