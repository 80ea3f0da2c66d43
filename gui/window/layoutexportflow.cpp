#include "gui/window/layoutexportflow.h"

#include "core/export/layoutexport.h"
#include "core/spiral/roundspiral.h"
#include "gui/dialogs/exportlayoutdialog.h"
#include "gui/window/appsettings.h"
#include "gui/window/exportsettings.h"
#include "gui/window/mainwindow.h"
#include "gui/window/userprompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("LayoutExportFlow", text);
}
} // namespace

bool LayoutExportFlow::confirmChecks(const ProjectDocument &templateDocument,
                                     const SpiralParameters &parameters,
                                     const QStringList &functionSetup,
                                     const QString &lengthUnitText)
{
    const QString title = window->windowTitle();
    if (!hasSpiralLevel(functionSetup) &&
        prompts.question(window, title, noSpiralLevelQuestion) != QMessageBox::Yes)
        return false;
    if (parameters.shape == SpiralShape::NSidedDifferential) {
        if (const auto minimum =
                innerRadiusShortfall(templateDocument.geometry.box, parameters.spiralWidth,
                                     parameters.spacing, parameters.radius, parameters.sides)) {
            prompts.critical(window, title, innerRadiusMessage(*minimum, lengthUnitText));
            return false;
        }
    }
    return !isDifferential(parameters.shape) ||
           !feedSpacingTooLarge(parameters.spiralWidth, parameters.spacing,
                                parameters.feedSpacing) ||
           prompts.question(window, title, feedSpacingQuestion) == QMessageBox::Yes;
}

void LayoutExportFlow::run(const ProjectDocument *templateDocument,
                           const SpiralParameters &parameters, const QStringList &layerSetup,
                           const QStringList &functionSetup, const QString &lengthUnitText)
{
    const QString title = window->windowTitle();
    if (!templateDocument) {
        prompts.critical(window, title,
                         tr("No technology template loaded.\nOpen one before exporting a "
                            "layout."));
        return;
    }
    if (!confirmChecks(*templateDocument, parameters, functionSetup, lengthUnitText))
        return;
    ProjectDocument scratch = *templateDocument;
    scratch.geometry.clearGeometry();
    makeSpiral(parameters, &layerSetup, &functionSetup)->writeLayout(scratch);

    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    ExportLayoutDialog dialog(LayoutExportSettings::read(store), layoutLevels(scratch),
                              functionSetup, prompts, window);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;
    dialog.settings().write(store);
    const QString fileName = dialog.fileName();
    QString reason;
    if (exportLayout(fileName, scratch, functionSetup, dialog.options(), &reason) != 0) {
        prompts.critical(window, title,
                         tr("Error exporting layout\n") + fileName + QStringLiteral("\n") + reason);
        return;
    }
    prompts.information(window, title,
                        tr("Layout exported to\n") + fileName + QStringLiteral("\n"));
}

void addExportLayoutAction(MainWindow &window)
{
    auto *action = new QAction(tr("Export Layout ..."), &window);
    action->setObjectName(QStringLiteral("actionExportLayout"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    const QList<QAction *> fileActions = window.menu_File->actions();
    const qsizetype close = fileActions.indexOf(window.actionClose);
    QAction *before = close > 0 && fileActions[close - 1]->isSeparator() ? fileActions[close - 1]
                                                                         : window.actionClose;
    window.menu_File->insertAction(before, action);
    QObject::connect(action, &QAction::triggered, &window, &MainWindow::ExportLayout);
    QObject::connect(window.menu_File, &QMenu::aboutToShow, action,
                     [&window, action] { action->setEnabled(window.templateDocument()); });
}
