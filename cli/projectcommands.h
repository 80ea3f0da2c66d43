#pragma once

#include <QStringList>
#include <QTextStream>

// `rewrite IN OUT`: load and save again, giving the canonical form this program writes.
int runRewrite(const QStringList &arguments, QTextStream &out);
// `info [IN]`: what a template holds, the built-in one without an argument.
int runInfo(const QStringList &arguments, QTextStream &out);

namespace torvane {
struct ProjectDocument;
}

// Loads a template for a command: the built-in one when the path is empty.
torvane::ProjectDocument loadTemplateOrThrow(const QString &path);
