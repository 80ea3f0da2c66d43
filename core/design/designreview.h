#pragma once

#include "core/checks/designfinding.h"
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

namespace torvane {

// A spiral laid out as "Create Spiral ..." would lay it out, on a scratch copy of the template
// (or on the built-in template when there is none), with its design checks: what the preview
// draws and what `torvane-cli check` and `render` report.
struct DesignReview
{
    ProjectDocument layout; // the template's technology with the spiral's geometry
    QStringList layerSetup;
    QStringList functionSetup;
    QString lengthUnit;
    // The drawn winding without its leads: the spiral levels' conductors that stay clear of
    // the box walls. Empty when nothing is drawn there.
    QRectF windingExtent;
    // Without a picture: the reason first, then only the rules that need no geometry.
    QList<DesignFinding> findings;
    QString note; // said beside the picture, such as that the built-in template is used
    // Items of the template the layout left out as they named its polygons, one sentence each.
    QStringList droppedItems;
    // The geometry inductance, in free space and in the box, that the box check computed: with
    // a picture only.
    std::optional<GeometryInductance> inductance;

    // The finding that keeps the picture from being drawn, first in `findings`; none when there
    // is a picture.
    const DesignFinding *pictureFailure() const;
    bool hasPicture() const { return pictureFailure() == nullptr; }
};

// `templateDocument` is only read; its own geometry is ignored.
DesignReview reviewDesign(const ProjectDocument *templateDocument,
                          const SpiralParameters &parameters, const QStringList &layerSetup,
                          const QStringList &functionSetup, const QString &lengthUnit);

QString builtInTemplateNote();

} // namespace torvane
