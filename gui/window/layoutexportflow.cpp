#include "gui/window/layoutexportflow.h"

#include "core/design/designjob.h"
#include "core/export/layoutexport.h"
#include "gui/dialogs/exportlayoutdialog.h"
#include "gui/window/appsettings.h"
#include "gui/window/exportsettings.h"
#include "gui/window/layoutconfirmation.h"
#include "gui/window/userprompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>

using namespace torvane;

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("LayoutExportFlow", text);
}
} // namespace

void LayoutExportFlow::run(const TabDesign &design)
{
    const QString title = window->windowTitle();
    if (!design.technology) {
        prompts.critical(window, title,
                         tr("No technology template loaded.\nOpen one before exporting a "
                            "layout."));
        return;
    }
    const QStringList &functionSetup = design.technology->functionSetup();
    torvane::DesignJob job(*design.technology, design.parameters, design.lengthUnit);
    const DesignReview &review = job.review();
    if (!confirmLayout(prompts, window, review.findings, design.outOfRangeFields,
                       tr("Export anyway?")))
        return;
    const ProjectDocument &scratch = review.layout;

    QSettings store = settingsStore();
    ExportLayoutDialog dialog(LayoutExportSettings::read(store), layoutLevels(scratch),
                              functionSetup, prompts, window);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;
    dialog.settings().write(store);
    const QString fileName = dialog.fileName();
    if (const auto exported = exportLayout(fileName, scratch, functionSetup, dialog.options());
        !exported) {
        prompts.critical(window, title,
                         tr("Error exporting layout\n") + fileName + QStringLiteral("\n") +
                             exported.error());
        return;
    }
    prompts.information(window, title,
                        tr("Layout exported to\n") + fileName + QStringLiteral("\n"));
}
