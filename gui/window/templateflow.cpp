#include "gui/window/templateflow.h"

#include "core/files/checkedsavefile.h"
#include "core/template/builtintemplate.h"
#include "core/template/createspiral.h"
#include "gui/dialogs/viewtechdialog.h"
#include "gui/window/userprompts.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>

using namespace torvane;

namespace {
const QString sonnetFilter = QStringLiteral("Sonnet Files (*.son);;All Files (*.*)");
const QString sonnetSuffix = QStringLiteral("son");
} // namespace

TemplateFlow::TemplateFlow(torvane::TemplateSession &session, UserPrompts &prompts, QWidget *window,
                           QMenu *fileMenu, QAction *before)
    : QObject(window), session(session), prompts(prompts), window(window), fileMenu(fileMenu),
      before(before)
{}

bool TemplateFlow::load(const QString &fileName)
{
    if (!session.load(fileName))
        return false;
    updateRecentMenu();
    emit templateLoaded();
    return true;
}

bool TemplateFlow::loadAndReport(const QString &fileName)
{
    const torvane::Status loaded = session.load(fileName);
    if (loaded) {
        updateRecentMenu();
        emit templateLoaded();
        return true;
    }
    const QString problem =
        loaded.error().isEmpty() ? QString() : loaded.error() + QLatin1Char('\n');
    prompts.critical(window, window->windowTitle(),
                     tr("Error reading sonnet file\n") + fileName + QLatin1Char('\n') + problem);
    return false;
}

void TemplateFlow::open()
{
    const QString fileName =
        prompts.openFileName(window, tr("Open Template File"), session.path(), sonnetFilter);
    if (!fileName.isEmpty())
        loadAndReport(fileName);
}

void TemplateFlow::openExample()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString fileName = QDir(folder).filePath(builtInTemplateFileName());
    // Written once: a copy the user has since saved roles into is theirs.
    if (!QFileInfo::exists(fileName)) {
        const torvane::Status written =
            QDir().mkpath(folder)
                ? writeWholeFile(fileName, builtInTemplateText())
                : torvane::failure(tr("Cannot create the folder %1.").arg(folder));
        if (!written) {
            prompts.critical(window, window->windowTitle(),
                             tr("Error writing sonnet file\n") + fileName + QLatin1Char('\n') +
                                 written.error() + QLatin1Char('\n'));
            return;
        }
    }
    loadAndReport(fileName);
}

void TemplateFlow::openRecent(const QString &fileName)
{
    if (loadAndReport(fileName))
        return;
    session.forgetRecentFile(fileName);
    updateRecentMenu();
}

void TemplateFlow::editLayers(const QString &lengthUnitText, bool staircase)
{
    const ProjectDocument *document = session.document();
    if (!document)
        return;
    ViewTechDialog dialog(session.levelMetals(), session.levelRoles(),
                          document->geometry.metalTypes, document->geometry.dielectricLayers,
                          lengthUnitText, window);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;
    if (!session.setLevels(dialog.levelMetalNames(), dialog.levelRoles()))
        return;
    emit levelsChanged(); // the geometry line and the preview follow the roles
    if (prompts.question(window, window->windowTitle(),
                         tr("Layer setup changed\nSave modified template?"),
                         QMessageBox::Yes) == QMessageBox::Yes)
        saveChangedTemplate(staircase);
}

void TemplateFlow::saveChangedTemplate(bool staircase)
{
    const QString fileName = withProjectSuffix(prompts.saveFileName(
        window, tr("Save Template As"), session.path(), sonnetFilter, sonnetSuffix));
    if (fileName.isEmpty())
        return;
    if (const torvane::Status saved = session.saveAs(fileName, staircase); !saved) {
        prompts.critical(window, window->windowTitle(),
                         tr("Error saving template\n") + fileName + QLatin1Char('\n') +
                             saved.error() + QLatin1Char('\n'));
        return;
    }
    updateRecentMenu();
    emit levelsChanged();
}

void TemplateFlow::setRecentFiles(const QStringList &files)
{
    session.setRecentFiles(files);
    updateRecentMenu();
}

// Numbered entries between the example template and Close.
void TemplateFlow::updateRecentMenu()
{
    qDeleteAll(recentActions);
    recentActions.clear();
    const QStringList &files = session.recentFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString &path = files[i];
        QString name = QFileInfo(path).fileName();
        auto *action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
                                       name.replace(QLatin1Char('&'), QStringLiteral("&&"))),
                                   fileMenu);
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
        fileMenu->insertAction(before, action);
        recentActions.append(action);
    }
    if (!recentActions.isEmpty())
        recentActions.append(fileMenu->insertSeparator(before));
}
