#pragma once

#include "core/sonnet/projectdocument.h"

#include <QString>
#include <QStringList>

namespace torvane {

// Each metal level of a template has a metal type name and a role. Both lists are kept in
// the project's header as two annotation lines, so a saved file restores its roles.
inline const QString layerSetupMarker = QStringLiteral("ANN #Qor_LayerSetup#");
inline const QString functionSetupMarker = QStringLiteral("ANN #Qor_FunctionSetup#");
inline const QString defaultLevelMetal = QStringLiteral("Lossless");
inline const QString roleNone = QStringLiteral("none");
inline const QString roleSpiral = QStringLiteral("spiral");
inline const QString roleBridge = QStringLiteral("bridge");

// "none", "spiral", "bridge": the choices offered for a level, in this order.
const QStringList &levelRoleNames();

// Refills `list` (levelCount entries) from the first header line that the marker starts,
// dropping empty parts and padding with defaultEntry; without such a line the list is kept.
void readLayerAnnotation(const QStringList &headerLines, const QString &marker, QStringList &list,
                         const QString &defaultEntry, int levelCount);

// Marker, ",", the entries joined by ","; an empty list gives the marker and one comma.
QString layerAnnotationLine(const QString &marker, const QStringList &list);

// Replaces the first line of that marker in place, or appends one.
void writeLayerAnnotation(QStringList &headerLines, const QString &marker, const QStringList &list);

// The per-level lists of a loaded template: defaults, then the two annotations.
void readLayerSetup(const ProjectDocument &document, QStringList &layerSetup,
                    QStringList &functionSetup);

// Staircase fill when asked, and both annotation lines.
void applyLayerSetup(ProjectDocument &document, const QStringList &layerSetup,
                     const QStringList &functionSetup, bool staircase);
// applyLayerSetup, then saveProject. Returns its status.
int saveWithLayerSetup(ProjectDocument &document, const QString &fileName,
                       const QStringList &layerSetup, const QStringList &functionSetup,
                       bool staircase, QString *errorText = nullptr);

} // namespace torvane
