#include "gui/preview/previewsettings.h"

#include <QSettings>

namespace {
const QString group = QStringLiteral("Preview");
}

PreviewSettings PreviewSettings::read(QSettings &store)
{
    PreviewSettings settings;
    store.beginGroup(group);
    settings.visible = store.value(QStringLiteral("Visible"), settings.visible).toBool();
    settings.splitterState = store.value(QStringLiteral("Splitter")).toByteArray();
    settings.page = store.value(QStringLiteral("Page"), settings.page).toInt();
    store.endGroup();
    return settings;
}

void PreviewSettings::write(QSettings &store) const
{
    store.beginGroup(group);
    store.setValue(QStringLiteral("Visible"), visible);
    store.setValue(QStringLiteral("Splitter"), splitterState);
    store.setValue(QStringLiteral("Page"), page);
    store.endGroup();
}
