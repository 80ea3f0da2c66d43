#pragma once

#include "core/inductance/filamentloss.h"
#include "core/sonnet/geometryblock.h"

#include <QString>
#include <QStringList>

namespace torvane {

// A metal type of the template as the loss model reads it. The models it reads:
// - NOR (and TMM) conductivity (S/m, or INF), current ratio, thickness (length units): a bulk
//   conductor of that cross-section; the current ratio concerns the simulator's thin-metal
//   model and is not used;
// - SUP Rdc (ohms per square), Rrf (ohms per square and square root of Hz), Xdc (ohms per
//   square), Ls (pH per square): a sheet of that surface impedance; all zero is lossless;
// - RES (ohms per square): a sheet of that resistance at every frequency.
struct MetalLoss
{
    enum class Kind
    {
        Lossless,
        Bulk,
        Sheet,
        NotModelled, // a model the loss does not read
        Invalid      // a value the loss cannot use
    };
    Kind kind = Kind::Lossless;
    PieceMaterial material;
    QString problem; // NotModelled and Invalid: one sentence naming the metal and the value

    bool usable() const { return kind != Kind::NotModelled && kind != Kind::Invalid; }
};

MetalLoss metalLoss(const MetalType &metal);

// The metal of one level, by the window's per-level names (layerSetup): the template's metal
// type of that name; "Lossless" without such a metal type is lossless.
MetalLoss levelMetalLoss(const GeometryBlock &geometry, const QStringList &layerSetup, int level);

} // namespace torvane
