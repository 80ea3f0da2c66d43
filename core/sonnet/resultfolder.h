#pragma once

#include <QString>

namespace torvane {

// The result folder of a project file: its folder + "/sondata/" + its complete base name.
QString resultFolderPath(const QString &projectFileName);

// Empties the result folder of its plain, visible files, or creates it. Failures are ignored:
// they cannot fail the save. Every step works through descriptors of the folders already
// opened and never follows a link, so swapping "sondata/<base>" for a link while this runs
// cannot redirect a deletion outside. A base name that would make "sondata" itself (or its
// parent) the result folder is left alone.
void prepareResultFolder(const QString &projectFileName);

} // namespace torvane
