#include "gui/window/layoutconfirmation.h"

#include "core/checks/designchecks.h"
#include "core/wording/findingtext.h"
#include "gui/window/userprompts.h"

#include <QCoreApplication>
#include <QWidget>

using namespace torvane;

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("LayoutConfirmation", text);
}
} // namespace

QString layoutQuestion(const QList<DesignFinding> &findings, const QStringList &outOfRangeFields,
                       const QString &goOnQuestion)
{
    QStringList lines;
    if (!outOfRangeFields.isEmpty())
        lines.append(tr("Some values are out of range: %1.")
                         .arg(outOfRangeFields.join(QStringLiteral(", "))));
    // A length of 0 that keeps the layout from being drawn is already named as out of range.
    QList<DesignFinding> errors = findings;
    if (!outOfRangeFields.isEmpty())
        errors.removeIf([](const DesignFinding &f) { return f.code == FindingCode::NoLayout; });
    if (const DesignFinding *error = firstPlainError(errors))
        lines.append(tr("The layout has errors:\n") + findingMessage(*error));
    if (lines.isEmpty())
        return {};
    lines.append(goOnQuestion);
    return lines.join(QLatin1Char('\n'));
}

bool confirmLayout(UserPrompts &prompts, QWidget *window, const QList<DesignFinding> &findings,
                   const QStringList &outOfRangeFields, const QString &goOnQuestion)
{
    const QString title = window->windowTitle();
    const QString question = layoutQuestion(findings, outOfRangeFields, goOnQuestion);
    if (!question.isEmpty() &&
        prompts.question(window, title, question, QMessageBox::No) != QMessageBox::Yes)
        return false;
    for (const DesignFinding &finding : ownPromptFindings(findings)) {
        if (finding.code == FindingCode::InnerRadius) {
            prompts.critical(window, title, findingCreatePrompt(finding));
            return false;
        }
        if (prompts.question(window, title, findingCreatePrompt(finding), QMessageBox::No) !=
            QMessageBox::Yes)
            return false;
    }
    return true;
}
