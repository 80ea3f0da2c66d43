#include "gui/window/appsettings.h"

#include "core/files/regularfile.h"

#include <QFileInfo>
#include <QSettings>

#include <array>

using namespace torvane;

namespace {
// The stored form is a flag; the check state it came from is not kept.
int readCheckState(QSettings &store, const QString &key)
{
    return store.value(key, true).toBool() ? 2 : 0;
}

struct TabGroup
{
    const char *name;
    bool sides;
    bool differential;
};

// By shape index. The differential tabs keep whole turns.
constexpr TabGroup tabGroups[] = {{"RoundSpiral", false, false},
                                  {"nSidedSpiral", true, false},
                                  {"roundDiffSpiral", false, true},
                                  {"nSidedDiffSpiral", true, true}};

void readTab(QSettings &store, const TabGroup &group, ShapeTabSettings &tab)
{
    store.beginGroup(QLatin1String(group.name));
    if (group.sides)
        tab.sides = store.value(QStringLiteral("sides"), QStringLiteral("8")).toInt();
    tab.turns = group.differential
                    ? store.value(QStringLiteral("turns"), QStringLiteral("2")).toInt()
                    : store.value(QStringLiteral("turns"), QStringLiteral("2.00")).toDouble();
    tab.spiralWidth = store.value(QStringLiteral("spiralWidth"), tab.spiralWidth).toString();
    tab.spacing = store.value(QStringLiteral("spacing"), tab.spacing).toString();
    tab.radius = store.value(QStringLiteral("radius"), tab.radius).toString();
    tab.bridgeWidth = store.value(QStringLiteral("bridgeWidth"), tab.bridgeWidth).toString();
    if (group.differential) {
        tab.feedSpacing = store.value(QStringLiteral("FeedSpacing"), tab.feedSpacing).toString();
        tab.feedSpacingAuto = readCheckState(store, QStringLiteral("FeedSpacingAuto"));
        tab.centerTap = readCheckState(store, QStringLiteral("CenterTap"));
    }
    store.endGroup();
}

void writeTab(QSettings &store, const TabGroup &group, const ShapeTabSettings &tab)
{
    store.beginGroup(QLatin1String(group.name));
    if (group.sides)
        store.setValue(QStringLiteral("sides"), tab.sides);
    if (group.differential)
        store.setValue(QStringLiteral("turns"), static_cast<int>(tab.turns));
    else
        store.setValue(QStringLiteral("turns"), tab.turns);
    store.setValue(QStringLiteral("spiralWidth"), tab.spiralWidth);
    store.setValue(QStringLiteral("spacing"), tab.spacing);
    store.setValue(QStringLiteral("radius"), tab.radius);
    store.setValue(QStringLiteral("bridgeWidth"), tab.bridgeWidth);
    if (group.differential) {
        store.setValue(QStringLiteral("FeedSpacing"), tab.feedSpacing);
        store.setValue(QStringLiteral("FeedSpacingAuto"), tab.feedSpacingAuto);
        store.setValue(QStringLiteral("CenterTap"), tab.centerTap);
    }
    store.endGroup();
}
} // namespace

AppSettings AppSettings::read(QSettings &store)
{
    AppSettings settings;
    WindowSettings &window = settings.window;
    window.pos = store.value(QStringLiteral("pos"), window.pos).toPoint();
    window.size = store.value(QStringLiteral("size"), window.size).toSize();
    window.placed = store.contains(QStringLiteral("size"));
    window.xgeomPath = store.value(QStringLiteral("xgeomPath"), window.xgeomPath).toString();
    window.xgeomStart = store.value(QStringLiteral("xgeomStart"), window.xgeomStart).toBool();
    window.xgeomStaircase =
        store.value(QStringLiteral("xgeomStaircase"), window.xgeomStaircase).toBool();

    BaseSettings &base = settings.base;
    store.beginGroup(QStringLiteral("Base"));
    base.sonTemplate = store.value(QStringLiteral("SonTemplate"), base.sonTemplate).toString();
    base.lengthIndex = store.value(QStringLiteral("LengthIndex"), base.lengthIndex).toInt();
    base.lengthIndexStored = store.contains(QStringLiteral("LengthIndex"));
    base.inductanceIndexStored = store.contains(QStringLiteral("InductanceIndex"));
    base.inductanceIndex =
        store.value(QStringLiteral("InductanceIndex"), base.inductanceIndex).toInt();
    base.spiralType = store.value(QStringLiteral("SpiralType"), QStringLiteral("0")).toInt();
    base.recentTemplates = store.value(QStringLiteral("RecentTemplates")).toStringList();
    base.recentTemplates.removeAll(QString());
    if (base.recentTemplates.size() > maxRecentTemplates)
        base.recentTemplates.resize(maxRecentTemplates);
    store.endGroup();

    for (int shape = 0; shape < 4; ++shape)
        readTab(store, tabGroups[shape], settings.tab(shape));
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

    for (int shape = 0; shape < 4; ++shape)
        writeTab(store, tabGroups[shape], tab(shape));
}

ShapeTabSettings ShapeTabSettings::defaults(bool differential)
{
    ShapeTabSettings settings;
    if (differential)
        settings.radius = QStringLiteral("50.0");
    return settings;
}

ShapeTabSettings &AppSettings::tab(int shapeIndex)
{
    return *std::array{&round, &nSided, &roundDiff, &nSidedDiff}.at(shapeIndex);
}

const ShapeTabSettings &AppSettings::tab(int shapeIndex) const
{
    return *std::array{&round, &nSided, &roundDiff, &nSidedDiff}.at(shapeIndex);
}

QSettings settingsStore()
{
    const QString organisation = QString::fromLatin1(settingsOrganisation);
    // The organisation's own store is read only to learn the folder of the stores, which
    // QSettings::setPath may have moved.
    const QSettings folder(QSettings::NativeFormat, QSettings::UserScope, organisation);
    const QString fileName = QFileInfo(folder.fileName()).absolutePath() + QLatin1Char('/') +
                             organisation + QLatin1Char('/') +
                             QString::fromLatin1(settingsApplication) + QStringLiteral(".conf");
    if (checkOutputFile(fileName) && QFileInfo(fileName).size() <= largestSettingsFile)
        return QSettings(fileName, QSettings::NativeFormat);
    return QSettings(QString(), QSettings::NativeFormat);
}
