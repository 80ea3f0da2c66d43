#include "gui/dialogs/exportlayoutdialog.h"

#include "core/sonnet/geometryrecords.h"
#include "gui/window/userprompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace torvane;

namespace {
const QString layoutFilter = QStringLiteral("GDSII (*.gds);;DXF (*.dxf)");

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}
} // namespace

ExportLayoutDialog::ExportLayoutDialog(const LayoutExportSettings &stored,
                                       const LayoutLevels &levels, const QStringList &levelRoles,
                                       UserPrompts &prompts, QWidget *parent)
    : QDialog(parent), fileEdit(new QLineEdit(stored.fileName)),
      browseButton(new QPushButton(tr("Browse ..."))), formatLabel(new QLabel),
      cellEdit(new QLineEdit(stored.cellName)), unitEdit(new QLineEdit(stored.databaseUnit)),
      originComboBox(new QComboBox), mapGroup(new QGroupBox(tr("GDSII layers"))),
      mapTable(new QTableWidget(0, 3)), addRowButton(new QPushButton(tr("Add"))),
      removeRowButton(new QPushButton(tr("Remove"))), resultLabel(new QLabel),
      problemLabel(new QLabel),
      buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)),
      prompts(prompts), levels(levels), levelRoles(levelRoles)
{
    setWindowTitle(tr("Export Layout"));
    setMinimumWidth(440);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileEdit);
    fileRow->addWidget(browseButton);
    originComboBox->addItem(tr("Box centre (spiral centre)"),
                            layoutOriginKeyword(LayoutOrigin::SpiralCentre));
    originComboBox->addItem(tr("Box corner (lower left)"),
                            layoutOriginKeyword(LayoutOrigin::BoxCorner));
    originComboBox->setCurrentIndex(qMax(0, originComboBox->findData(stored.origin)));
    cellEdit->setToolTip(tr("Structure name; empty: the file's base name"));
    unitEdit->setToolTip(tr("Such as 1nm, 0.5nm or 0.001um"));

    auto *form = new QFormLayout;
    form->addRow(tr("File:"), fileRow);
    form->addRow(tr("Format:"), formatLabel);
    form->addRow(tr("Cell name:"), cellEdit);
    form->addRow(tr("Database unit:"), unitEdit);
    form->addRow(tr("Origin:"), originComboBox);

    mapTable->setHorizontalHeaderLabels({tr("Applies to"), tr("Layer"), tr("Datatype")});
    mapTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    mapTable->verticalHeader()->hide();
    const LayerMap storedMap = LayerMap::parse(stored.layerMap).value_or(LayerMap());
    for (const LayerMap::Entry &entry : storedMap.entries())
        appendRow(entry.key(), entry.target);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(addRowButton);
    rowButtons->addWidget(removeRowButton);
    rowButtons->addStretch();
    resultLabel->setWordWrap(true);
    auto *mapLayout = new QVBoxLayout(mapGroup);
    auto *explanation = new QLabel(tr("Entries by role (spiral, bridge, none), metal level (L2) or "
                                      "via level pair (via:0-1); a level's own entry wins. "
                                      "Unlisted: level N on layer N, vias on 100 + the lower "
                                      "level, datatype 0."));
    explanation->setWordWrap(true);
    mapLayout->addWidget(explanation);
    mapLayout->addWidget(mapTable);
    mapLayout->addLayout(rowButtons);
    mapLayout->addWidget(resultLabel);

    problemLabel->setStyleSheet(QStringLiteral("color: #b00020"));
    problemLabel->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(mapGroup);
    layout->addWidget(problemLabel);
    layout->addWidget(buttonBox);

    connect(browseButton, &QPushButton::clicked, this, &ExportLayoutDialog::browse);
    connect(addRowButton, &QPushButton::clicked, this, &ExportLayoutDialog::addRow);
    connect(removeRowButton, &QPushButton::clicked, this, [this] {
        mapTable->removeRow(mapTable->currentRow() >= 0 ? mapTable->currentRow()
                                                        : mapTable->rowCount() - 1);
        refresh();
    });
    connect(buttonBox, &QDialogButtonBox::accepted, this, &ExportLayoutDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit *edit : {fileEdit, cellEdit, unitEdit})
        connect(edit, &QLineEdit::textChanged, this, &ExportLayoutDialog::refresh);
    connect(mapTable, &QTableWidget::itemChanged, this, &ExportLayoutDialog::refresh);
    refresh();
}

void ExportLayoutDialog::browse()
{
    QString name = prompts.saveFileName(this, tr("Export Layout"), fileEdit->text(), layoutFilter);
    if (name.isEmpty())
        return;
    const bool suffixAdded = QFileInfo(name).suffix().isEmpty();
    if (suffixAdded)
        name += QStringLiteral(".gds");
    fileEdit->setText(name);
    // The file dialog asked about the name as it was chosen, not about one with a new suffix.
    confirmedFileName = suffixAdded ? QString() : name;
}

void ExportLayoutDialog::accept()
{
    const QString name = fileName();
    if (name != confirmedFileName && QFileInfo::exists(name) &&
        prompts.question(this, windowTitle(),
                         tr("%1 already exists.\nDo you want to replace it?").arg(name),
                         QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::accept();
}

// A new row takes the first role, level or via pair of this layout that has no entry yet.
void ExportLayoutDialog::addRow()
{
    const LayerMap map = LayerMap::parse(layerMapText()).value_or(LayerMap());
    QStringList taken;
    for (const LayerMap::Entry &entry : map.entries())
        taken.append(entry.key());
    QList<QPair<QString, GdsLayer>> candidates;
    for (const int level : levels.metalLevels) {
        const QString role = levelRoles.value(level);
        if (!role.isEmpty())
            candidates.append({role, map.metalLayer(level, role)});
    }
    for (const int level : levels.metalLevels)
        candidates.append(
            {QStringLiteral("L%1").arg(level), map.metalLayer(level, levelRoles.value(level))});
    for (const auto &[level, toLevel] : levels.viaPairs)
        candidates.append({QStringLiteral("via:%1-%2").arg(levelText(level), levelText(toLevel)),
                           map.viaLayer(level, toLevel)});
    for (const auto &[key, target] : candidates) {
        if (!taken.contains(key)) {
            appendRow(key, target);
            refresh();
            return;
        }
    }
    appendRow(QString(), {});
    refresh();
}

void ExportLayoutDialog::appendRow(const QString &key, GdsLayer target)
{
    const QSignalBlocker blocker(mapTable);
    const int row = mapTable->rowCount();
    mapTable->insertRow(row);
    mapTable->setItem(row, 0, new QTableWidgetItem(key));
    mapTable->setItem(row, 1, new QTableWidgetItem(QString::number(target.layer)));
    mapTable->setItem(row, 2, new QTableWidgetItem(QString::number(target.datatype)));
}

QString ExportLayoutDialog::layerMapText() const
{
    QStringList parts;
    for (int row = 0; row < mapTable->rowCount(); ++row) {
        const QString key = cellText(mapTable, row, 0);
        const QString layer = cellText(mapTable, row, 1);
        const QString datatype = cellText(mapTable, row, 2);
        if (key.isEmpty() && layer.isEmpty() && datatype.isEmpty())
            continue;
        parts.append(key + QLatin1Char('=') + layer +
                     (datatype.isEmpty() ? QString() : QLatin1Char('/') + datatype));
    }
    return parts.join(QLatin1Char(','));
}

QString ExportLayoutDialog::resultText(const LayerMap &map) const
{
    QStringList lines;
    for (const int level : levels.metalLevels) {
        const QString role = levelRoles.value(level);
        const GdsLayer target = map.metalLayer(level, role);
        lines.append(tr("Level %1%2 on %3/%4")
                         .arg(level)
                         .arg(role.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(role))
                         .arg(target.layer)
                         .arg(target.datatype));
    }
    for (const auto &[level, toLevel] : levels.viaPairs) {
        const GdsLayer target = map.viaLayer(level, toLevel);
        lines.append(tr("Vias %1-%2 on %3/%4")
                         .arg(levelText(level), levelText(toLevel))
                         .arg(target.layer)
                         .arg(target.datatype));
    }
    return tr("In this layout:") + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString ExportLayoutDialog::problem() const
{
    if (fileEdit->text().trimmed().isEmpty())
        return tr("Choose a file ending in .gds or .dxf.");
    const std::optional<LayoutFormat> format = layoutFormatFor(fileName());
    if (!format)
        return tr("The file name must end in .gds or .dxf.");
    if (format == LayoutFormat::Dxf)
        return {};
    if (!cellEdit->text().isEmpty() && !isValidCellName(cellEdit->text()))
        return tr("A cell name takes 1 to 32 of A-Z, a-z, 0-9, _, ? and $.");
    if (const auto unit = parseDatabaseUnit(unitEdit->text()); !unit)
        return tr("Database unit: ") + unit.error();
    if (const auto map = LayerMap::parse(layerMapText()); !map)
        return tr("Layer map: ") + map.error();
    return {};
}

void ExportLayoutDialog::refresh()
{
    const std::optional<LayoutFormat> format = layoutFormatFor(fileName());
    formatLabel->setText(format ? layoutFormatName(*format) : tr("(by the file's suffix)"));
    // Cell, database unit and layers belong to GDSII; DXF names its layers by level.
    for (QWidget *widget : {static_cast<QWidget *>(mapGroup), static_cast<QWidget *>(cellEdit),
                            static_cast<QWidget *>(unitEdit)})
        widget->setEnabled(format != LayoutFormat::Dxf);
    const torvane::Result<LayerMap> map = LayerMap::parse(layerMapText());
    resultLabel->setText(map ? resultText(*map) : QString());
    const QString text = problem();
    problemLabel->setText(text);
    buttonBox->button(QDialogButtonBox::Ok)->setEnabled(text.isEmpty());
}

QString ExportLayoutDialog::fileName() const
{
    return fileEdit->text().trimmed();
}

LayoutExportOptions ExportLayoutDialog::options() const
{
    LayoutExportOptions options;
    options.layerMap = LayerMap::parse(layerMapText()).value_or(LayerMap());
    options.databaseUnit = parseDatabaseUnit(unitEdit->text()).value_or(options.databaseUnit);
    options.origin = parseLayoutOrigin(originComboBox->currentData().toString())
                         .value_or(LayoutOrigin::SpiralCentre);
    options.cellName = cellEdit->text();
    return options;
}

LayoutExportSettings ExportLayoutDialog::settings() const
{
    LayoutExportSettings settings;
    settings.fileName = fileName();
    settings.cellName = cellEdit->text();
    settings.layerMap = LayerMap::parse(layerMapText()).value_or(LayerMap()).toText();
    settings.databaseUnit = unitEdit->text().trimmed();
    settings.origin = originComboBox->currentData().toString();
    return settings;
}
