#pragma once

#include "core/sonnet/projectdocument.h"

#include <QByteArray>
#include <QString>

namespace torvane {

// A two-metal RFIC stack in um / nH / GHz (400 x 400 um box, 1 um cells) whose top metal
// level carries the spiral and the level below it the bridge. Used whenever the user has
// no template of their own.
QByteArray builtInTemplateText();
ProjectDocument builtInTemplate();
// The name shown for it and used when it is written out for the user.
QString builtInTemplateFileName();

} // namespace torvane
