#include "gui/window/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
int clampedStart(int start, int length, int areaStart, int areaLength)
{
    const int last = std::max(areaStart, areaStart + areaLength - length);
    return std::clamp(start, areaStart, last);
}
} // namespace

QRect placeWithinArea(QPoint pos, QSize size, QSize minimum, const QRect &area)
{
    const QSize placed = size.boundedTo(area.size()).expandedTo(minimum);
    // A position inside the area is the user's, even when the window overhangs its edge a
    // little; one outside it brings the whole window back in.
    if (area.contains(pos))
        return {pos, placed};
    return {QPoint(clampedStart(pos.x(), placed.width(), area.x(), area.width()),
                   clampedStart(pos.y(), placed.height(), area.y(), area.height())),
            placed};
}

QRect availableAreaAt(QPoint pos)
{
    const QScreen *screen = QGuiApplication::screenAt(pos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect firstPlacement(const QRect &area, QSize formSize, QSize minimum)
{
    // Room for the form and a picture at least as wide; a large screen is not filled.
    const QSize wanted(std::max(2 * formSize.width() + 40, area.width() * 3 / 4),
                       std::max(formSize.height() + 60, area.height() * 4 / 5));
    const QSize size = wanted.boundedTo(area.size()).boundedTo({1600, 1100}).expandedTo(minimum);
    QRect placed({}, size);
    placed.moveCenter(area.center());
    return placed;
}

void restorePlacement(QWidget &window, QPoint pos, QSize storedSize, int extraWidth)
{
    // No screen is this large; a larger stored size is damage, also where no screen is known.
    constexpr int largestSide = 16384;
    QSize size = storedSize.boundedTo({largestSide, largestSide});
    size.setWidth(std::min(largestSide, size.width() + extraWidth));
    if (const QRect area = availableAreaAt(pos); area.isValid()) {
        const QRect placed = placeWithinArea(pos, size, window.minimumSizeHint(), area);
        window.resize(placed.size());
        window.move(placed.topLeft());
    } else {
        window.resize(size.expandedTo(window.minimumSizeHint()));
        window.move(pos);
    }
}
