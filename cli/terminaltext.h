#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

// Text from a file or the command line as it may be shown on a terminal: control characters,
// which would move the cursor or start escape sequences there, written as \xHH.
QString visibleText(const QString &text);

// A message that echoes what was given, made readable: control characters as visibleText shows
// them, and any word longer than a line cut to its start and end around the count left out.
QString shortenedMessage(const QString &message);

// Rows as columns two spaces apart, each as wide as its widest cell: numbers right-aligned, and
// the first column left-aligned when it holds names.
void writeAlignedRows(QTextStream &out, const QList<QStringList> &rows, bool namesFirst = false);
