#pragma once

#include "core/synthesis/synthesis.h"

#include <QDialog>
#include <QFutureWatcher>

#include <optional>
#include <stop_token>

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "Target L ...": a target inductance, its tolerance and where it is met. "Find" lists the
// most compact turns and inner radii that meet it on the template, and OK hands the chosen
// one back to the shape tab. The search runs off the GUI thread.
class TargetInductanceDialog : public QDialog
{
    Q_OBJECT

public:
    // What the search starts from: the tab's fixed values on the loaded template.
    struct Design
    {
        torvane::SpiralParameters parameters;
        torvane::ProjectDocument document;
        QStringList layerSetup;
        QStringList functionSetup;
        QString lengthUnit;     // shown with lengths
        QString inductanceUnit; // the target's unit, as shown
    };
    // What the dialog remembers between two openings.
    struct Entries
    {
        QString target;
        double tolerancePercent = 1;
        torvane::InductancePlace place = torvane::InductancePlace::ReferencePlanes;
    };

    TargetInductanceDialog(Design design, const Entries &entries, QWidget *parent = nullptr);
    ~TargetInductanceDialog() override;

    Entries entries() const;
    // The candidate of the selected row.
    std::optional<torvane::SynthesisCandidate> chosen() const;
    bool searching() const;

    QLineEdit *targetEdit;
    QDoubleSpinBox *toleranceSpinBox;
    QComboBox *placeComboBox;
    QPushButton *findButton;
    // turns, inner radius, size x / y, winding, at reference planes, estimate, deviation
    QTableWidget *candidateTable;
    QLabel *messageLabel;
    QDialogButtonBox *buttonBox;

public slots:
    void find();

signals:
    void searchFinished();

private:
    void showResult();
    void updateButtons();
    std::optional<torvane::SynthesisRequest> request();

    Design m_design;
    torvane::SynthesisRequest m_running;
    QList<torvane::SynthesisCandidate> m_candidates;
    QFutureWatcher<torvane::SynthesisResult> m_watcher;
    std::stop_source m_stop; // of the running search
};
