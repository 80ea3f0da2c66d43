#pragma once

#include "core/checks/designfinding.h"
#include "core/design/designreview.h"

#include <QList>
#include <QString>

namespace torvane {

// The words of the design findings, shared by the window and the command line. The sentences
// name the numbers with their unit; scripts match some of them, so they change only on purpose.

// One sentence, such as "2 points of 1 polygon lie outside the 400 x 200 um box, ...".
QString findingMessage(const DesignFinding &finding);

// The create command's own question or refusal for a finding, word for word as the window asks
// it (several lines); empty for a finding without one (see hasOwnCreatePrompt).
QString findingCreatePrompt(const DesignFinding &finding);

// "error: ..." or "warning: ...", as the command line prints a finding.
QString findingLine(const DesignFinding &finding);

// What "Create Spiral ..." asks when the layout has such an error; empty when there is none.
QString layoutErrorsQuestion(const QList<DesignFinding> &findings);

// Why the review has no picture; empty when it has one.
QString pictureFailureText(const DesignReview &review);

} // namespace torvane
