#pragma once

#include <QString>

// Text from a file or the command line as it may be shown on a terminal: control characters,
// which would move the cursor or start escape sequences there, written as \xHH.
QString visibleText(const QString &text);

// A message that echoes what was given, made readable: control characters as visibleText shows
// them, and any word longer than a line cut to its start and end around the count left out.
QString shortenedMessage(const QString &message);
