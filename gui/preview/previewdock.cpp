#include "gui/preview/previewdock.h"

#include "gui/preview/previewpanel.h"
#include "gui/preview/responseplot.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

#include <algorithm>

using namespace torvane;

PreviewDock::PreviewDock(QMainWindow &window, QMenu *beforeMenu,
                         std::function<PreviewRequest()> design)
    : QObject(&window), design(std::move(design))
{
    QWidget *form = window.takeCentralWidget();
    split = new QSplitter(Qt::Horizontal, &window);
    split->setObjectName(QStringLiteral("previewSplitter"));
    tabs = new QTabWidget(split);
    tabs->setObjectName(QStringLiteral("previewPages"));
    preview = new PreviewPanel;
    plot = new ResponsePlot;
    tabs->addTab(preview, tr("Layout"));
    tabs->addTab(plot, tr("L and Q"));
    split->addWidget(form);
    split->addWidget(tabs);
    split->setCollapsible(0, false);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    window.setCentralWidget(split);

    auto *menuView = new QMenu(tr("&View"), &window);
    menuView->setObjectName(QStringLiteral("menuView"));
    window.menuBar()->insertMenu(beforeMenu->menuAction(), menuView);
    toggle = menuView->addAction(tr("&Preview"));
    toggle->setObjectName(QStringLiteral("actionPreview"));
    toggle->setCheckable(true);
    toggle->setChecked(true);
    toggle->setShortcut(QKeySequence(Qt::Key_F8));
    toggle->setStatusTip(tr("Show the layout and its design checks beside the form"));
    connect(toggle, &QAction::toggled, this, &PreviewDock::setPreviewVisible);

    findingsStatus = new QLabel(&window);
    findingsStatus->setObjectName(QStringLiteral("findingsStatusLabel"));
    window.statusBar()->addWidget(findingsStatus, 1);
    findingsStatus->hide();

    previewUpdater = new PreviewUpdater(this);
    connect(previewUpdater, &PreviewUpdater::reviewed, this, &PreviewDock::showReview);
    // Many changes in one pass of the event loop (a template load, typing) make one request.
    timer.setSingleShot(true);
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [this] { previewUpdater->request(this->design()); });
}

void PreviewDock::schedule()
{
    timer.start();
}

void PreviewDock::restore(const PreviewSettings &settings)
{
    if (!split->restoreState(settings.splitterState)) {
        // The form as wide as it likes up to half the window, the picture the rest.
        const int total = split->parentWidget()->width();
        const QWidget *form = split->widget(0);
        const int formWidth = std::max(form->minimumSizeHint().width(),
                                       std::min(form->sizeHint().width(), total / 2));
        split->setSizes({formWidth, total - formWidth});
    }
    setPreviewVisible(settings.visible);
    tabs->setCurrentIndex(settings.page >= 0 && settings.page < tabs->count() ? settings.page : 0);
}

PreviewSettings PreviewDock::settings() const
{
    return {toggle->isChecked(), split->saveState(), tabs->currentIndex()};
}

void PreviewDock::setPreviewVisible(bool visible)
{
    if (toggle->isChecked() != visible)
        toggle->setChecked(visible); // comes back here through toggled
    tabs->setVisible(visible);
    updateFindingsStatus();
}

void PreviewDock::showReview(std::shared_ptr<const DesignReview> review, bool isCurrent)
{
    current = review;
    preview->setReview(review);
    updateFindingsStatus();
    if (isCurrent)
        emit currentReview(std::move(review));
}

void PreviewDock::updateFindingsStatus()
{
    const QString summary = current ? findingsSummary(current->findings) : QString();
    findingsStatus->setText(summary);
    findingsStatus->setToolTip(summary);
    findingsStatus->setVisible(!toggle->isChecked() && !summary.isEmpty());
}
