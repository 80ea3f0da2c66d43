#pragma once

#include "core/design/designreview.h"

#include <QWidget>

#include <memory>

class LayoutView;
class QLabel;
class QListWidget;

// The live preview beside the shape tabs: a note (such as that the built-in template is used),
// the layout, the coordinates under the mouse and the design check findings. Clicking a
// finding centres the view on its place.
class PreviewPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPanel(QWidget *parent = nullptr);

    void setReview(std::shared_ptr<const torvane::DesignReview> review);
    const torvane::DesignReview *review() const;

    LayoutView *layoutView() const { return view; }
    QListWidget *findingsList() const { return findings; }
    QLabel *noteLabel() const { return note; }

private:
    void showFinding(int row);

    LayoutView *view;
    QLabel *note;
    QLabel *coordinates;
    QListWidget *findings;
};

// One line for the status bar: the number of errors and warnings and the first finding.
QString findingsSummary(const QList<torvane::DesignFinding> &findings);
