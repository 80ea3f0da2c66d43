#pragma once

#include "core/design/result.h"

#include <QString>
#include <QStringList>

namespace torvane {

// The values one swept option takes: a list "8,10,12", a range "START:STOP:STEP" whose stop is
// included when a step lands on it within 1e-9, or both ("4,8:12:2"). Each value is text with
// no more decimals than the typed numbers need, so that the option's own rules (such as at
// most 3 decimals) judge it as if it were typed; a value given twice is kept once. A failure says
// what is wrong with the text, such as "the step must not be 0".
using ValueList = torvane::Result<QStringList>;

inline constexpr int maxListValues = 100000;

ValueList expandValueList(const QString &text, int maxValues = maxListValues);

} // namespace torvane
