#pragma once

#include <QString>

class QSettings;

// What the export dialog remembers, in its own group "LayoutExport" beside the window's keys.
// Values are kept as typed; the dialog checks them.
struct LayoutExportSettings
{
    QString fileName;
    QString cellName; // empty: the file's base name
    QString layerMap; // as --layer-map takes it
    QString databaseUnit = QStringLiteral("1nm");
    QString origin = QStringLiteral("centre");

    static LayoutExportSettings read(QSettings &store);
    void write(QSettings &store) const;
};
