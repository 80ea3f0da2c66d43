#pragma once

#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"

#include <QString>

namespace torvane {

// The words and number forms of the inductance values, shared by the window and the command
// line. Values in henries are shown in units of inductanceScale per henry.

// A value as shown: four significant digits, plain notation.
QString geometryValueText(double value);

// "2.908 nH (2.977 nH at ref. planes)", or "–".
QString geometryInductanceText(const GeometryInductance &result, double inductanceScale,
                               const QString &unitText);
// What the values mean, or the reason why there are none.
QString geometryInductanceToolTip(const GeometryInductance &result);
// The same two in the template's box, or "–".
QString inBoxInductanceText(const GeometryInductance &result, double inductanceScale,
                            const QString &unitText);
QString inBoxInductanceToolTip(const GeometryInductance &result);

// "Q 14.3 at 3.16 GHz, R_dc 0.781 Ω", frequencies in the given unit (a DIM FREQ name), or "–".
QString qualityFactorText(const FrequencyResponse &response, const QString &frequencyUnit);
// What the values mean, or the reason why there are none.
QString qualityFactorToolTip(const FrequencyResponse &response);

} // namespace torvane
