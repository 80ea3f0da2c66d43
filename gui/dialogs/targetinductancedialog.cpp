#include "gui/dialogs/targetinductancedialog.h"
#include "core/wording/inductancetext.h"

#include "core/inductance/geometryinductance.h"
#include "core/sonnet/numberformat.h"
#include "core/template/units.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPromise>
#include <QPushButton>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

using namespace torvane;

namespace {
QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}
} // namespace

TargetInductanceDialog::TargetInductanceDialog(Design design, const Entries &entries,
                                               QWidget *parent)
    : QDialog(parent), targetEdit(new QLineEdit(entries.target)),
      toleranceSpinBox(new QDoubleSpinBox), placeComboBox(new QComboBox),
      findButton(new QPushButton(tr("Find"))), candidateTable(new QTableWidget(0, 7)),
      messageLabel(new QLabel),
      buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)),
      m_design(std::move(design))
{
    setWindowTitle(tr("Target Inductance"));
    setMinimumWidth(800); // every column of the candidates without scrolling
    targetEdit->setPlaceholderText(tr("such as 2.5"));
    auto *targetRow = new QHBoxLayout;
    targetRow->addWidget(targetEdit);
    targetRow->addWidget(new QLabel(m_design.inductanceUnit));
    toleranceSpinBox->setRange(0.01, 50);
    toleranceSpinBox->setDecimals(2);
    toleranceSpinBox->setSingleStep(0.5);
    toleranceSpinBox->setSuffix(QStringLiteral(" %"));
    toleranceSpinBox->setValue(entries.tolerancePercent);
    placeComboBox->addItem(tr("At the reference planes"),
                           static_cast<int>(InductancePlace::ReferencePlanes));
    placeComboBox->addItem(tr("Winding alone"), static_cast<int>(InductancePlace::Winding));
    placeComboBox->setCurrentIndex(
        qMax(0, placeComboBox->findData(static_cast<int>(entries.place))));

    auto *form = new QFormLayout;
    form->addRow(tr("Target:"), targetRow);
    form->addRow(tr("Tolerance:"), toleranceSpinBox);
    form->addRow(tr("Inductance:"), placeComboBox);
    auto *findRow = new QHBoxLayout;
    findRow->addStretch();
    findRow->addWidget(findButton);

    const QString &l = m_design.lengthUnit;
    const QString &h = m_design.inductanceUnit;
    candidateTable->setHorizontalHeaderLabels(
        {tr("Turns"), tr("Radius (%1)").arg(l), tr("Size (%1)").arg(l), tr("Winding (%1)").arg(h),
         tr("Ref. planes (%1)").arg(h), tr("Estimate (%1)").arg(h), tr("Deviation")});
    candidateTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    candidateTable->horizontalHeader()->setStretchLastSection(true);
    candidateTable->verticalHeader()->hide();
    candidateTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    candidateTable->setSelectionMode(QAbstractItemView::SingleSelection);
    candidateTable->setToolTip(tr("The most compact designs first; choose one to fill the tab's "
                                  "turns and inner radius."));
    messageLabel->setWordWrap(true);
    messageLabel->setText(tr("Turns and inner radius are chosen; the tab's width, spacing and "
                             "other values stay as they are."));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(findRow);
    layout->addWidget(candidateTable);
    layout->addWidget(messageLabel);
    layout->addWidget(buttonBox);

    findButton->setDefault(true);
    buttonBox->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    connect(findButton, &QPushButton::clicked, this, &TargetInductanceDialog::find);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(candidateTable, &QTableWidget::itemSelectionChanged, this,
            &TargetInductanceDialog::updateButtons);
    connect(candidateTable, &QTableWidget::cellDoubleClicked, this, [this] {
        if (chosen())
            accept();
    });
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &TargetInductanceDialog::showResult);
    updateButtons();
}

// A search still running works on its own copies: told to stop, it ends within milliseconds,
// and nothing waits for it.
TargetInductanceDialog::~TargetInductanceDialog()
{
    m_stop.request_stop();
}

TargetInductanceDialog::Entries TargetInductanceDialog::entries() const
{
    return {targetEdit->text().trimmed(), toleranceSpinBox->value(),
            static_cast<InductancePlace>(placeComboBox->currentData().toInt())};
}

std::optional<SynthesisCandidate> TargetInductanceDialog::chosen() const
{
    const QList<QTableWidgetSelectionRange> ranges = candidateTable->selectedRanges();
    if (ranges.isEmpty() || ranges.first().topRow() >= m_candidates.size())
        return std::nullopt;
    return m_candidates[ranges.first().topRow()];
}

bool TargetInductanceDialog::searching() const
{
    return m_watcher.isRunning();
}

std::optional<SynthesisRequest> TargetInductanceDialog::request()
{
    bool ok = false;
    const double target = QLocale().toDouble(targetEdit->text().trimmed(), &ok);
    const double checked = ok ? target : targetEdit->text().trimmed().toDouble(&ok);
    if (!ok || !(checked > 0) || !std::isfinite(checked)) {
        messageLabel->setText(tr("Enter the target inductance in %1, a number larger than 0.")
                                  .arg(m_design.inductanceUnit));
        return std::nullopt;
    }
    SynthesisRequest request;
    request.design = m_design.parameters;
    request.target = checked * HenriesPerInductanceUnit(m_design.document.dimension.inductanceUnit);
    request.tolerance = toleranceSpinBox->value() / 100;
    request.place = entries().place;
    return request;
}

void TargetInductanceDialog::find()
{
    if (searching())
        return;
    const std::optional<SynthesisRequest> next = request();
    if (!next)
        return;
    m_running = *next;
    m_stop = std::stop_source();
    m_running.stop = m_stop.get_token();
    m_candidates.clear();
    candidateTable->setRowCount(0);
    messageLabel->setText(tr("Searching ..."));
    auto promise = std::make_shared<QPromise<SynthesisResult>>();
    m_watcher.setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, request = m_running, design = m_design] {
        promise->start();
        promise->addResult(
            synthesizeSpiral(request, design.document, design.layerSetup, design.functionSetup));
        promise->finish();
    });
    updateButtons();
}

void TargetInductanceDialog::showResult()
{
    const QFuture<SynthesisResult> future = m_watcher.future();
    if (future.resultCount() == 0)
        return;
    const SynthesisResult result = future.result();
    m_candidates = result.candidates;
    const double scale = 1.0 / HenriesPerInductanceUnit(m_design.document.dimension.inductanceUnit);
    candidateTable->setRowCount(static_cast<int>(m_candidates.size()));
    for (int row = 0; row < m_candidates.size(); ++row) {
        const SynthesisCandidate &c = m_candidates[row];
        const QStringList texts{formatReal(c.parameters.turns),
                                QLocale::c().toString(c.parameters.radius, 'f', 3),
                                formatReal(c.sizeX) + QStringLiteral(" / ") + formatReal(c.sizeY),
                                geometryValueText(c.winding * scale),
                                geometryValueText(c.referencePlanes * scale),
                                c.estimateText,
                                QString::asprintf("%+.3f %%", c.deviation * 100)};
        for (int column = 0; column < texts.size(); ++column)
            candidateTable->setItem(row, column, cell(texts[column]));
    }
    if (m_candidates.isEmpty()) {
        messageLabel->setText(synthesisExplanation(m_running, result,
                                                   m_design.document.geometry.box,
                                                   m_design.lengthUnit, m_design.inductanceUnit));
    } else {
        candidateTable->selectRow(0);
        messageLabel->setText(tr("The most compact of the designs that meet the target, fit in "
                                 "the box and pass the design checks come first."));
    }
    updateButtons();
    emit searchFinished();
}

void TargetInductanceDialog::updateButtons()
{
    findButton->setEnabled(!searching());
    buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!searching() && chosen().has_value());
}
