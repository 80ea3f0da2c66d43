#pragma once

#include <QString>

// Units of the plot of L and Q: the names shown and how many of them one henry and one hertz
// make.
struct LqChartUnits
{
    QString inductance = QStringLiteral("nH");
    double perHenry = 1e9;
    QString frequency = QStringLiteral("GHz");
    double perHertz = 1e-9;
};
