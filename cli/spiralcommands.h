#pragma once

#include <QStringList>
#include <QTextStream>

// `create`: the window's "Create Spiral ..." without a window: the same checks (refusing where
// the window would ask, unless --yes), the same layout and the same files.
int runCreate(const QStringList &arguments, QTextStream &out);
// `estimate`: what the window's estimate panel shows for the same values and template.
int runEstimate(const QStringList &arguments, QTextStream &out);
