#pragma once

#include <QStringList>
#include <QTextStream>

// `synthesize --target VALUE`: the five most compact turns and inner radii that meet the
// target, the spiral options of create fixing the rest; --create writes the best as create
// would. When none meets it, the reason and the nearest reachable value go to err.
int runSynthesize(const QStringList &arguments, QTextStream &out, QTextStream &err);
