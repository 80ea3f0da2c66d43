#include "core/export/picturename.h"

#include <QFileInfo>

namespace torvane {

QString layoutPictureSuffix(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

bool isLayoutPictureName(const QString &fileName)
{
    const QString suffix = layoutPictureSuffix(fileName);
    return suffix == QLatin1String("svg") || suffix == QLatin1String("png");
}

} // namespace torvane
