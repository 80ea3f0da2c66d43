#include "gui/window/exportsettings.h"

#include <QSettings>

namespace {
const QString group = QStringLiteral("LayoutExport");
}

LayoutExportSettings LayoutExportSettings::read(QSettings &store)
{
    LayoutExportSettings settings;
    store.beginGroup(group);
    settings.fileName = store.value(QStringLiteral("File"), settings.fileName).toString();
    settings.cellName = store.value(QStringLiteral("CellName"), settings.cellName).toString();
    settings.layerMap = store.value(QStringLiteral("LayerMap"), settings.layerMap).toString();
    settings.databaseUnit =
        store.value(QStringLiteral("DatabaseUnit"), settings.databaseUnit).toString();
    settings.origin = store.value(QStringLiteral("Origin"), settings.origin).toString();
    store.endGroup();
    return settings;
}

void LayoutExportSettings::write(QSettings &store) const
{
    store.beginGroup(group);
    store.setValue(QStringLiteral("File"), fileName);
    store.setValue(QStringLiteral("CellName"), cellName);
    store.setValue(QStringLiteral("LayerMap"), layerMap);
    store.setValue(QStringLiteral("DatabaseUnit"), databaseUnit);
    store.setValue(QStringLiteral("Origin"), origin);
    store.endGroup();
}
