#pragma once

#include "cli/spiralcommands.h"
#include "core/inductance/frequencyresponse.h"

#include <QJsonObject>
#include <QTextStream>

#include <optional>
#include <vector>

// Hz from --freq (a list, ranges or "template") in the template's frequency unit, or the
// template's own range when the option is not given; throws CliError naming a bad value.
std::vector<double> lossFrequencies(const std::optional<QString> &option,
                                    const LoadedTemplate &loaded);

// The response of the options' spiral at those frequencies.
torvane::FrequencyResponse lossResponse(const SpiralCommandOptions &options,
                                        const LoadedTemplate &loaded,
                                        const std::vector<double> &frequencies);

// "Loss: ..." with R_dc and the peak Q, the meaning of L, the same in the box (or why there are
// no values there), then the table frequency L R Q in the template's units with L, R and Q in
// the box beside them; or "Loss: n/a (reason)".
void printLossTable(QTextStream &out, const torvane::FrequencyResponse &response,
                    const LoadedTemplate &loaded);

// {"freeSpace": [...], "inBox": [...] or null with "inBoxReason", "thickMetalInductance": ...},
// each point {"frequency": Hz, "inductance": in the inductance unit, "resistance": ohms,
// "q": number}; null with a reason when there are no values.
QJsonObject frequencyResponseJson(const torvane::FrequencyResponse &response,
                                  const LoadedTemplate &loaded);

// The frequency of a point in the template's unit, as printed ("3.162 GHz").
QString frequencyText(double hertz, const LoadedTemplate &loaded);
