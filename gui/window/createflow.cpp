#include "gui/window/createflow.h"

#include "core/checks/designchecks.h"
#include "core/design/designjob.h"
#include "core/wording/findingtext.h"
#include "gui/dialogs/setupdialog.h"
#include "gui/window/layoutconfirmation.h"
#include "gui/window/userprompts.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QStatusBar>

using namespace torvane;

namespace {
const QString sonnetFilter = QStringLiteral("Sonnet Files (*.son);;All Files (*.*)");
const QString sonnetSuffix = QStringLiteral("son");

QString tr(const char *text)
{
    return QCoreApplication::translate("CreateFlow", text);
}
} // namespace

void CreateFlow::run(const TabDesign &design)
{
    const QString title = window.windowTitle();
    std::optional<torvane::DesignJob> job;
    if (design.technology)
        job.emplace(*design.technology, design.parameters, design.lengthUnit);
    // Without a template only the rules that need no geometry can speak.
    const QList<DesignFinding> findings =
        job ? job->review().findings
            : checkDesign(ProjectDocument(), design.parameters, {}, design.lengthUnit);
    if (!confirmLayout(prompts, &window, findings, design.outOfRangeFields, tr("Create anyway?")))
        return;

    projectFileName = withProjectSuffix(prompts.saveFileName(
        &window, tr("Create Simulation File"), projectFileName, sonnetFilter, sonnetSuffix));
    if (projectFileName.isEmpty() || !job)
        return;

    const torvane::Result<torvane::SavedProject> saved =
        job->save({projectFileName, xgeom.staircase, std::nullopt, {}});
    if (!saved) {
        prompts.critical(&window, title,
                         tr("Error creating sonnet project\n") + projectFileName +
                             QStringLiteral("\n") + saved.error() + QStringLiteral("\n"));
        return;
    }
    notes = job->review().droppedItems;
    // Written anyway: the user chose these levels, and may well mean it.
    for (const DesignFinding &finding : findings) {
        if (finding.code == FindingCode::LargeLayout)
            window.statusBar()->showMessage(findingMessage(finding));
    }
    if (xgeom.start)
        launchXgeom();
    else
        reportCreated();
}

void CreateFlow::reportCreated()
{
    QString text = tr("Spiral created at\n") + projectFileName + QStringLiteral("\n");
    for (const QString &note : std::as_const(notes))
        text += QLatin1Char('\n') + note + QLatin1Char('\n');
    prompts.information(&window, window.windowTitle(), text);
}

QString CreateFlow::xgeomFirstUseQuestion()
{
#ifdef Q_OS_WIN
    const QString typicalPlace = tr("On Windows, xGeom is typically found under something like\n"
                                    "\"c:\\program files\\sonnet.10.5\\bin\\xgeom.exe\",");
#else
    const QString typicalPlace = tr("On Linux, xGeom is typically found under something like\n"
                                    "\"/usr/local/sonnet/18.56/bin/xgeom\",");
#endif
    return tr("Launch xGeom automatically on create?\n\nIf YES, please specify the location of "
              "the xGeom executable in the following dialog.\n") +
           typicalPlace +
           tr("\ndepending on your Sonnet version and installation.\n\n(You can always change "
              "this setting later through the Options|Setup menu.)");
}

void CreateFlow::launchXgeom()
{
    const QString title = window.windowTitle();
    if (!QFileInfo(xgeom.path).isFile()) {
        if (!xgeom.path.isEmpty())
            prompts.critical(
                &window, title,
                tr("XGeom executable not found.\nPlease specify xGeom executable location\n"));
        else if (prompts.question(&window, title, xgeomFirstUseQuestion(), QMessageBox::Yes) !=
                 QMessageBox::Yes)
            xgeom.start = false;
        if (xgeom.start) {
            const QString chosen = prompts.openFileName(&window, tr("xGeom executable"), xgeom.path,
                                                        SetupDialog::executableFilter());
            if (!chosen.isEmpty())
                xgeom.path = chosen;
        }
    }
    if (!QFileInfo(xgeom.path).isFile()) {
        reportCreated();
        return;
    }
    // The editor runs on its own; the path is its only argument, passed without a shell.
    if (!QProcess::startDetached(xgeom.path, {projectFileName})) {
        prompts.critical(&window, title,
                         tr("Error starting xGeom\n") + xgeom.path + QStringLiteral("\n"));
        reportCreated();
    }
}
