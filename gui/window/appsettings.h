#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class QSettings;

// Everything the window keeps between runs, with the stored defaults. Field texts stay
// exactly as typed.
struct WindowSettings
{
    QPoint pos{200, 200};
    QSize size{400, 400};
    QString xgeomPath;
    bool xgeomStart = true;
    bool xgeomStaircase = false;
    // Whether a place was stored: a first start chooses one for the screen.
    bool placed = false;
};

struct BaseSettings
{
    QString sonTemplate;
    int lengthIndex = 0;
    int inductanceIndex = 0;
    int spiralType = 0;
    QStringList recentTemplates; // most recent first, at most maxRecentTemplates
    // Whether the unit selections were stored: without them a template keeps its own units.
    bool lengthIndexStored = false;
    bool inductanceIndexStored = false;
};

inline constexpr int maxRecentTemplates = 5;

// One shape tab's stored values. Sides belong to the n-sided tabs, the feed and the centre tap
// to the differential ones; each group stores only its own keys.
struct ShapeTabSettings
{
    int sides = 8;
    double turns = 2.0;
    QString spiralWidth = QStringLiteral("10.0");
    QString spacing = QStringLiteral("10.0");
    QString radius = QStringLiteral("25.0");
    QString bridgeWidth = QStringLiteral("10.0");
    QString feedSpacing = QStringLiteral("10.0");
    // Written as a check state (0, 1, 2), read back as a flag.
    int feedSpacingAuto = 2;
    int centerTap = 2;

    // The differential tabs start with a wider inner radius.
    static ShapeTabSettings defaults(bool differential);
};

struct AppSettings
{
    WindowSettings window;
    BaseSettings base;
    ShapeTabSettings round = ShapeTabSettings::defaults(false);
    ShapeTabSettings nSided = ShapeTabSettings::defaults(false);
    ShapeTabSettings roundDiff = ShapeTabSettings::defaults(true);
    ShapeTabSettings nSidedDiff = ShapeTabSettings::defaults(true);

    // By shape index, the order of the tabs.
    ShapeTabSettings &tab(int shapeIndex);
    const ShapeTabSettings &tab(int shapeIndex) const;

    // Missing keys give the defaults above; values that do not convert give zero.
    static AppSettings read(QSettings &store);
    // Every key, in the same order as they are read; nothing is removed.
    void write(QSettings &store) const;
};

// The store every run uses.
inline constexpr char settingsOrganisation[] = "Ostrel";
inline constexpr char settingsApplication[] = "Torvane";
// The window keeps a few kilobytes; a larger settings file is damage, which would take seconds
// to read at the start and again at the quit.
inline constexpr qint64 largestSettingsFile = qint64(1) << 20;

// The window's settings file as a store, or, where it is no file to use, a store in memory
// only that starts empty and leaves the file alone: a FIFO would block the start, a link to a
// device would be replaced by the save (checkOutputFile()), and one above largestSettingsFile
// is damage.
QSettings settingsStore();
