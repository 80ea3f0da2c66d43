#pragma once

#include "gui/preview/previewsettings.h"
#include "gui/preview/previewupdater.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class PreviewPanel;
class ResponsePlot;
class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QSplitter;
class QTabWidget;
class QWidget;

// The preview beside the window's form: the splitter that holds both, View > Preview (F8), the
// findings in the status bar while the preview is hidden, and the off-thread review of what the
// form gives.
class PreviewDock : public QObject
{
    Q_OBJECT

public:
    // Puts `form` and the preview into a splitter as the window's central widget, and the View
    // menu ahead of `beforeMenu`. `design` gives what to lay out when a preview is due.
    PreviewDock(QMainWindow &window, QMenu *beforeMenu, std::function<PreviewRequest()> design);

    // Asks for a preview once the events now waiting (more typing, say) are handled.
    void schedule();
    // Restores the place, the visibility and the page shown (out of range: the picture).
    void restore(const PreviewSettings &settings);
    PreviewSettings settings() const;

    PreviewPanel *panel() const { return preview; }
    ResponsePlot *responsePlot() const { return plot; }
    // The layout and the plot, each on its own page.
    QTabWidget *pages() const { return tabs; }
    QSplitter *splitter() const { return split; }
    QAction *action() const { return toggle; }
    QLabel *findingsStatusLabel() const { return findingsStatus; }
    PreviewUpdater *updater() const { return previewUpdater; }
    // The review shown; none before the first one is done.
    const torvane::DesignReview *shownReview() const { return current.get(); }

public slots:
    void setPreviewVisible(bool visible);

signals:
    // A review of the fields as they stand, for the numbers beside the picture.
    void currentReview(std::shared_ptr<const torvane::DesignReview> review);

private:
    void showReview(std::shared_ptr<const torvane::DesignReview> review, bool current);
    void updateFindingsStatus();

    std::function<PreviewRequest()> design;
    QSplitter *split = nullptr;
    QTabWidget *tabs = nullptr;
    PreviewPanel *preview = nullptr;
    ResponsePlot *plot = nullptr;
    QAction *toggle = nullptr;
    QLabel *findingsStatus = nullptr;
    PreviewUpdater *previewUpdater = nullptr;
    QTimer timer;
    std::shared_ptr<const torvane::DesignReview> current;
};
