#pragma once

#include "core/spiral/spiralparameters.h"

#include <QString>

#include <ctime>

#include <algorithm>
#include <vector>

// What the inductance benches share: the spirals they time, from 2 turns to the largest the
// window allows, and their clocks.
struct BenchShape
{
    const char *name;
    torvane::SpiralShape shape;
    int sides;
    double radius;
};

// Width 10, spacing 5, bridge 10: the built-in template's kind of spiral.
inline torvane::SpiralParameters benchSpiral(const BenchShape &shape, double turns)
{
    torvane::SpiralParameters p;
    p.shape = shape.shape;
    p.turns = turns;
    p.sides = shape.sides;
    p.radius = shape.radius;
    p.spiralWidth = 10;
    p.spacing = 5;
    p.bridgeWidth = 10;
    return p;
}

// Runs `measure(shape, turns, parameters)` on each shape whose name starts with `onlyShape`, at
// each size (or only `onlyTurns` when it is above 0); a non-zero result stops the loop and is
// returned.
template <class Measure>
int forEachBenchSpiral(const std::vector<BenchShape> &shapes, const QString &onlyShape,
                       double onlyTurns, Measure measure)
{
    for (const BenchShape &shape : shapes) {
        if (!QString::fromLatin1(shape.name).startsWith(onlyShape))
            continue;
        const bool differential = torvane::isDifferential(shape.shape);
        for (const double turns : {2.0, 5.0, 10.0, differential ? 99.0 : 99.99}) {
            if (onlyTurns > 0 && turns != onlyTurns)
                continue;
            if (const int result = measure(shape, turns, benchSpiral(shape, turns)))
                return result;
        }
    }
    return 0;
}

inline double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
