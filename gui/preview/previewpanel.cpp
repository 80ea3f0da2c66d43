#include "gui/preview/previewpanel.h"

#include "core/wording/findingtext.h"
#include "gui/preview/layoutview.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

using namespace torvane;

PreviewPanel::PreviewPanel(QWidget *parent)
    : QWidget(parent), view(new LayoutView(this)), note(new QLabel(this)),
      coordinates(new QLabel(this)), findings(new QListWidget(this))
{
    setObjectName(QStringLiteral("previewPanel"));
    view->setObjectName(QStringLiteral("previewView"));
    note->setObjectName(QStringLiteral("previewNote"));
    findings->setObjectName(QStringLiteral("previewFindings"));
    note->setWordWrap(true);
    note->hide();
    coordinates->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    coordinates->setToolTip(tr("Wheel: zoom, drag: pan, double click: whole layout"));
    findings->setWordWrap(true);
    findings->setMaximumHeight(findings->fontMetrics().height() * 5);
    findings->setToolTip(tr("Design checks: click a finding to go to its place"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(note);
    layout->addWidget(view, 1);
    layout->addWidget(coordinates);
    layout->addWidget(findings);

    connect(view, &LayoutView::hovered, coordinates, &QLabel::setText);
    connect(findings, &QListWidget::currentRowChanged, this, &PreviewPanel::showFinding);
}

const DesignReview *PreviewPanel::review() const
{
    return view->review();
}

void PreviewPanel::setReview(std::shared_ptr<const DesignReview> review)
{
    note->setText(review->note);
    note->setVisible(!review->note.isEmpty());
    findings->blockSignals(true);
    findings->clear();
    for (const DesignFinding &finding : review->findings) {
        auto *item =
            new QListWidgetItem(finding.isError() ? tr("Error: %1").arg(findingMessage(finding))
                                                  : tr("Warning: %1").arg(findingMessage(finding)),
                                findings);
        item->setForeground(finding.isError() ? QColor(180, 0, 0) : QColor(150, 90, 0));
    }
    if (review->findings.isEmpty()) {
        auto *item = new QListWidgetItem(tr("The design checks found nothing."), findings);
        item->setFlags(Qt::NoItemFlags);
    }
    findings->blockSignals(false);
    view->setReview(std::move(review));
}

void PreviewPanel::showFinding(int row)
{
    const DesignReview *shown = review();
    if (shown && row >= 0 && row < shown->findings.size() && shown->findings[row].location)
        view->centreOn(*shown->findings[row].location);
}

QString findingsSummary(const QList<DesignFinding> &findings)
{
    if (findings.isEmpty())
        return {};
    qsizetype errors = 0;
    for (const DesignFinding &finding : findings)
        errors += finding.isError() ? 1 : 0;
    const qsizetype warnings = findings.size() - errors;
    QStringList counts;
    if (errors > 0)
        counts.append(errors == 1 ? QObject::tr("1 error") : QObject::tr("%1 errors").arg(errors));
    if (warnings > 0)
        counts.append(warnings == 1 ? QObject::tr("1 warning")
                                    : QObject::tr("%1 warnings").arg(warnings));
    return counts.join(QStringLiteral(", ")) + QStringLiteral(": ") +
           findingMessage(findings.first());
}
