#pragma once

#include "core/design/technology.h"
#include "core/spiral/spiralparameters.h"

#include <QString>
#include <QStringList>

// What a flow takes from the window for one shape tab: the parameters, the template in use and
// the unit selectors, as values. The flows never reach into the window's widgets.
struct TabDesign
{
    torvane::SpiralParameters parameters;
    const torvane::Technology *technology = nullptr; // none loaded; valid during the flow
    QString lengthUnit;                              // the length unit selector's text
    QString inductanceUnit;                          // the inductance unit selector's text
    QStringList outOfRangeFields;
};

class TabDesignSource
{
public:
    virtual ~TabDesignSource() = default;
    virtual TabDesign tabDesign(int tabIndex) const = 0;
};
