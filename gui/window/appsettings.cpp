#include "gui/window/appsettings.h"

#include <QSettings>

namespace {
// The stored form is a flag; the check state it came from is not kept.
int readCheckState(QSettings &store, const QString &key)
{
    return store.value(key, true).toBool() ? 2 : 0;
}

// The n-sided group reads its sides ahead of the turns.
void readSingleEnded(QSettings &store, const QString &group, bool withSides,
                     SingleEndedSettings &tab)
{
    store.beginGroup(group);
    if (withSides)
        tab.sides = store.value(QStringLiteral("sides"), QStringLiteral("8")).toInt();
    tab.turns = store.value(QStringLiteral("turns"), QStringLiteral("2.00")).toDouble();
    tab.spiralWidth = store.value(QStringLiteral("spiralWidth"), tab.spiralWidth).toString();
    tab.spacing = store.value(QStringLiteral("spacing"), tab.spacing).toString();
    tab.radius = store.value(QStringLiteral("radius"), tab.radius).toString();
    tab.bridgeWidth = store.value(QStringLiteral("bridgeWidth"), tab.bridgeWidth).toString();
    store.endGroup();
}

// The round differential group has no sides; the n-sided one reads them after the turns.
void readDifferential(QSettings &store, const QString &group, bool withSides,
                      DifferentialSettings &tab)
{
    store.beginGroup(group);
    tab.turns = store.value(QStringLiteral("turns"), QStringLiteral("2")).toInt();
    if (withSides)
        tab.sides = store.value(QStringLiteral("sides"), QStringLiteral("8")).toInt();
    tab.spiralWidth = store.value(QStringLiteral("spiralWidth"), tab.spiralWidth).toString();
    tab.spacing = store.value(QStringLiteral("spacing"), tab.spacing).toString();
    tab.radius = store.value(QStringLiteral("radius"), tab.radius).toString();
    tab.bridgeWidth = store.value(QStringLiteral("bridgeWidth"), tab.bridgeWidth).toString();
    tab.feedSpacing = store.value(QStringLiteral("FeedSpacing"), tab.feedSpacing).toString();
    tab.feedSpacingAuto = readCheckState(store, QStringLiteral("FeedSpacingAuto"));
    tab.centerTap = readCheckState(store, QStringLiteral("CenterTap"));
    store.endGroup();
}

void writeSingleEnded(QSettings &store, const QString &group, bool withSides,
                      const SingleEndedSettings &tab)
{
    store.beginGroup(group);
    if (withSides)
        store.setValue(QStringLiteral("sides"), tab.sides);
    store.setValue(QStringLiteral("turns"), tab.turns);
    store.setValue(QStringLiteral("spiralWidth"), tab.spiralWidth);
    store.setValue(QStringLiteral("spacing"), tab.spacing);
    store.setValue(QStringLiteral("radius"), tab.radius);
    store.setValue(QStringLiteral("bridgeWidth"), tab.bridgeWidth);
    store.endGroup();
}

void writeDifferential(QSettings &store, const QString &group, bool withSides,
                       const DifferentialSettings &tab)
{
    store.beginGroup(group);
    store.setValue(QStringLiteral("turns"), tab.turns);
    if (withSides)
        store.setValue(QStringLiteral("sides"), tab.sides);
    store.setValue(QStringLiteral("spiralWidth"), tab.spiralWidth);
    store.setValue(QStringLiteral("spacing"), tab.spacing);
    store.setValue(QStringLiteral("radius"), tab.radius);
    store.setValue(QStringLiteral("bridgeWidth"), tab.bridgeWidth);
    store.setValue(QStringLiteral("FeedSpacing"), tab.feedSpacing);
    store.setValue(QStringLiteral("FeedSpacingAuto"), tab.feedSpacingAuto);
    store.setValue(QStringLiteral("CenterTap"), tab.centerTap);
    store.endGroup();
}
} // namespace

AppSettings AppSettings::read(QSettings &store)
{
    AppSettings settings;
    WindowSettings &window = settings.window;
    window.pos = store.value(QStringLiteral("pos"), window.pos).toPoint();
    window.size = store.value(QStringLiteral("size"), window.size).toSize();
    window.xgeomPath = store.value(QStringLiteral("xgeomPath"), window.xgeomPath).toString();
    window.xgeomStart = store.value(QStringLiteral("xgeomStart"), window.xgeomStart).toBool();
    window.xgeomStaircase =
        store.value(QStringLiteral("xgeomStaircase"), window.xgeomStaircase).toBool();

    BaseSettings &base = settings.base;
    store.beginGroup(QStringLiteral("Base"));
    base.sonTemplate = store.value(QStringLiteral("SonTemplate"), base.sonTemplate).toString();
    base.lengthIndex = store.value(QStringLiteral("LengthIndex"), base.lengthIndex).toInt();
    base.inductanceIndex =
        store.value(QStringLiteral("InductanceIndex"), base.inductanceIndex).toInt();
    base.spiralType = store.value(QStringLiteral("SpiralType"), QStringLiteral("0")).toInt();
    base.recentTemplates = store.value(QStringLiteral("RecentTemplates")).toStringList();
    base.recentTemplates.removeAll(QString());
    if (base.recentTemplates.size() > maxRecentTemplates)
        base.recentTemplates.resize(maxRecentTemplates);
    store.endGroup();

    readSingleEnded(store, QStringLiteral("RoundSpiral"), false, settings.round);
    readSingleEnded(store, QStringLiteral("nSidedSpiral"), true, settings.nSided);
    readDifferential(store, QStringLiteral("roundDiffSpiral"), false, settings.roundDiff);
    readDifferential(store, QStringLiteral("nSidedDiffSpiral"), true, settings.nSidedDiff);
    return settings;
}

void AppSettings::write(QSettings &store) const
{
    store.setValue(QStringLiteral("pos"), window.pos);
    store.setValue(QStringLiteral("size"), window.size);
    store.setValue(QStringLiteral("xgeomPath"), window.xgeomPath);
    store.setValue(QStringLiteral("xgeomStart"), window.xgeomStart);
    store.setValue(QStringLiteral("xgeomStaircase"), window.xgeomStaircase);

    store.beginGroup(QStringLiteral("Base"));
    store.setValue(QStringLiteral("SonTemplate"), base.sonTemplate);
    store.setValue(QStringLiteral("LengthIndex"), base.lengthIndex);
    store.setValue(QStringLiteral("InductanceIndex"), base.inductanceIndex);
    store.setValue(QStringLiteral("SpiralType"), base.spiralType);
    store.setValue(QStringLiteral("RecentTemplates"), base.recentTemplates);
    store.endGroup();

    writeSingleEnded(store, QStringLiteral("RoundSpiral"), false, round);
    writeSingleEnded(store, QStringLiteral("nSidedSpiral"), true, nSided);
    writeDifferential(store, QStringLiteral("roundDiffSpiral"), false, roundDiff);
    writeDifferential(store, QStringLiteral("nSidedDiffSpiral"), true, nSidedDiff);
}

QStringList withRecentTemplate(QStringList list, const QString &path)
{
    list.removeAll(path);
    list.prepend(path);
    if (list.size() > maxRecentTemplates)
        list.resize(maxRecentTemplates);
    return list;
}
