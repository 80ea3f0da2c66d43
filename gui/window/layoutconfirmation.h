#pragma once

#include "core/checks/designfinding.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class UserPrompts;

// The questions a layout's findings raise before it is written, shared by "Create Spiral ..."
// and File > Export Layout ...: one question for fields out of range and the first layout
// error, then the create command's own questions (no spiral level, feed spacing) and its
// refusal of a too small inner radius. True to go on.
bool confirmLayout(UserPrompts &prompts, QWidget *window,
                   const QList<torvane::DesignFinding> &findings,
                   const QStringList &outOfRangeFields, const QString &goOnQuestion);

// "Create anyway?" or "Export anyway?" ends the first question.
QString layoutQuestion(const QList<torvane::DesignFinding> &findings,
                       const QStringList &outOfRangeFields, const QString &goOnQuestion);
