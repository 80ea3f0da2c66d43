#pragma once

#include <QByteArray>

class QSettings;

// The preview's place in the window, in its own group "Preview" beside the window's keys.
struct PreviewSettings
{
    bool visible = true;
    QByteArray splitterState; // empty until the window has been closed once with it
    int page = 0;             // the picture or the L and Q plot

    static PreviewSettings read(QSettings &store);
    void write(QSettings &store) const;
};
