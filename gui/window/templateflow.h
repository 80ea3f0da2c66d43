#pragma once

#include "core/design/templatesession.h"

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;
class UserPrompts;

// Opening a technology template (the file dialog, the example template, the recent files in
// the File menu) and changing its layer roles (the Technology Setup dialog and the save of the
// changed template), with the messages these give.
class TemplateFlow : public QObject
{
    Q_OBJECT

public:
    // The recent files go into `fileMenu` ahead of `before`.
    TemplateFlow(torvane::TemplateSession &session, UserPrompts &prompts, QWidget *window,
                 QMenu *fileMenu, QAction *before);

    // Quietly: false when the file cannot serve; the template in use stays.
    bool load(const QString &fileName);
    void open();
    void openExample();
    void openRecent(const QString &fileName);
    // The Technology Setup dialog; changed roles can be saved into a copy of the template.
    void editLayers(const QString &lengthUnitText, bool staircase);
    void setRecentFiles(const QStringList &files);

signals:
    // Another template is in use.
    void templateLoaded();
    // The roles or metals of the levels, or the template's path, changed.
    void levelsChanged();

private:
    bool loadAndReport(const QString &fileName);
    void saveChangedTemplate(bool staircase);
    void updateRecentMenu();

    torvane::TemplateSession &session;
    UserPrompts &prompts;
    QWidget *window;
    QMenu *fileMenu;
    QAction *before;
    QList<QAction *> recentActions; // owned by the File menu
};
