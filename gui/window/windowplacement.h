#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window restored from the stored settings goes: its size bounded by `area` (but
// never below `minimum`); a position outside `area` moves the window to lie inside it. A
// stored size of millions of pixels would otherwise crash the paint code or eat gigabytes.
QRect placeWithinArea(QPoint pos, QSize size, QSize minimum, const QRect &area);

// The available area of the screen at `pos`, else of the primary screen; null without one.
QRect availableAreaAt(QPoint pos);

class QWidget;

// A first start's place in `area`: wide enough for the form and a preview at least as wide,
// as far as the area allows, and centred in it.
QRect firstPlacement(const QRect &area, QSize formSize, QSize minimum);

// Moves and sizes the window as stored, brought onto the screen and widened by `extraWidth`
// (the first start with the preview widens a window stored without it).
void restorePlacement(QWidget &window, QPoint pos, QSize storedSize, int extraWidth);
