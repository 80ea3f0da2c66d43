#pragma once

#include "core/template/createspiral.h"

#include <QString>
#include <QStringList>

// What a flow takes from the window for one shape tab: the parameters, the template in use and
// the unit selectors, as values. The flows never reach into the window's widgets.
struct TabDesign
{
    SpiralParameters parameters;
    const ProjectDocument *templateDocument = nullptr; // none loaded; valid during the flow
    QStringList layerSetup;
    QStringList functionSetup;
    QString lengthUnit;     // the length unit selector's text
    QString inductanceUnit; // the inductance unit selector's text
    QStringList outOfRangeFields;
};

class TabDesignSource
{
public:
    virtual ~TabDesignSource() = default;
    virtual TabDesign tabDesign(int tabIndex) const = 0;
};
