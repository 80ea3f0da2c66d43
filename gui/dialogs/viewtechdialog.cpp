#include "gui/dialogs/viewtechdialog.h"

#include "core/sonnet/numberformat.h"
#include "core/template/layerroles.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTableWidgetItem>

using namespace torvane;

namespace {
QTableWidgetItem *numberItem(double value, Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem(formatReal(value));
    item->setTextAlignment(alignment);
    return item;
}

int columnWidthSum(const QTableWidget *table)
{
    int sum = 0;
    for (int column = 0; column < table->columnCount(); ++column)
        sum += table->columnWidth(column);
    return sum;
}
} // namespace

ViewTechDialog::ViewTechDialog(const QStringList &layerMetalNames, const QStringList &layerRoles,
                               const QList<MetalType> &metalTypes,
                               const QList<DielectricLayer> &dielectricLayers,
                               const QString &lengthUnit, QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    for (const MetalType &metal : metalTypes)
        metalTypeNames.append(metal.name);

    const int rowCount = static_cast<int>(dielectricLayers.size());
    techTableWidget->setRowCount(rowCount);
    metalTableWidget->setRowCount(rowCount);
    fillTechTable(dielectricLayers, lengthUnit);
    fillMetalTable(layerMetalNames, layerRoles, rowCount);
    fitTables();

    connect(metalTableWidget, &QTableWidget::currentCellChanged, this,
            &ViewTechDialog::metalCellChanged);
}

void ViewTechDialog::fillTechTable(const QList<DielectricLayer> &dielectricLayers,
                                   const QString &lengthUnit)
{
    const Qt::Alignment centred = Qt::AlignCenter;
    for (int row = 0; row < dielectricLayers.size(); ++row) {
        const DielectricLayer &layer = dielectricLayers[row];
        techTableWidget->setItem(row, 0, new QTableWidgetItem(layer.name));
        auto *thickness = new QTableWidgetItem(formatReal(layer.thickness) + lengthUnit);
        thickness->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        techTableWidget->setItem(row, 1, thickness);
        techTableWidget->setItem(row, 2, numberItem(layer.relativePermittivity, centred));
        techTableWidget->setItem(row, 3, numberItem(layer.dielectricLossTangent, centred));
        techTableWidget->setItem(row, 4, numberItem(layer.dielectricConductivity, centred));
        techTableWidget->setItem(row, 5, numberItem(layer.relativePermeability, centred));
        techTableWidget->setItem(row, 6, numberItem(layer.magneticLossTangent, centred));
    }
    techTableWidget->verticalHeader()->hide();
    techTableWidget->horizontalHeader()->setSectionsClickable(false);
}

void ViewTechDialog::fillMetalTable(const QStringList &layerMetalNames,
                                    const QStringList &layerRoles, int rowCount)
{
    for (int level = 0; level + 1 < rowCount; ++level) {
        const int row = level + 1;
        metalTableWidget->setVerticalHeaderItem(
            row, new QTableWidgetItem(QStringLiteral("- %1 -").arg(level)));
        metalTableWidget->setItem(row, 0, new QTableWidgetItem(layerMetalNames.value(level)));
        metalTableWidget->setItem(row, 1, new QTableWidgetItem(layerRoles.value(level)));
    }
    // Without any dielectric layer there is no row for the spacer.
    if (rowCount > 0) {
        metalTableWidget->setItem(0, 0, new QTableWidgetItem(QStringLiteral(" ")));
        metalTableWidget->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral(" ")));
    }
    for (QHeaderView *header :
         {metalTableWidget->horizontalHeader(), metalTableWidget->verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
}

void ViewTechDialog::fitTables()
{
    for (QTableWidget *table : {metalTableWidget, techTableWidget}) {
        table->resizeColumnsToContents();
        table->resizeRowsToContents();
    }
    // Sized after the content fit, which would otherwise make the spacer a full row again:
    // half a header high, it moves each metal level between its two dielectric layers.
    if (metalTableWidget->rowCount() > 0) {
        const int spacerHeight = techTableWidget->horizontalHeader()->sizeHint().height() / 2;
        // The header would otherwise hold every row at its font-based minimum.
        metalTableWidget->verticalHeader()->setMinimumSectionSize(spacerHeight);
        metalTableWidget->setRowHeight(0, spacerHeight);
    }

    techTableWidget->setMinimumWidth(columnWidthSum(techTableWidget) +
                                     2 * techTableWidget->frameWidth());
    metalTableWidget->setMinimumWidth(columnWidthSum(metalTableWidget) +
                                      2 * metalTableWidget->frameWidth() +
                                      3 * metalTableWidget->verticalHeader()->sizeHint().width());
}

void ViewTechDialog::commitEditor(int row, int column)
{
    if (!currentEditor)
        return;
    const QString text = currentEditor->currentText();
    metalTableWidget->removeCellWidget(row, column);
    currentEditor = nullptr;
    if (QTableWidgetItem *item = metalTableWidget->item(row, column))
        item->setText(text);
    else
        metalTableWidget->setItem(row, column, new QTableWidgetItem(text));
}

void ViewTechDialog::metalCellChanged(int currentRow, int currentColumn, int previousRow,
                                      int previousColumn)
{
    if (previousRow > 0)
        commitEditor(previousRow, previousColumn);
    if (currentRow < 1)
        return;

    auto *editor = new QComboBox;
    if (currentColumn == 0)
        editor->addItems(QStringList{defaultLevelMetal} + metalTypeNames);
    else
        editor->addItems(levelRoleNames());
    const QTableWidgetItem *item = metalTableWidget->item(currentRow, currentColumn);
    const int match = editor->findText(item ? item->text() : QString(),
                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (match >= 0)
        editor->setCurrentIndex(match);

    metalTableWidget->setCellWidget(currentRow, currentColumn, editor);
    currentEditor = editor;
    editor->show();
}

void ViewTechDialog::accept()
{
    if (metalTableWidget->currentRow() > 0)
        commitEditor(metalTableWidget->currentRow(), metalTableWidget->currentColumn());
    QDialog::accept();
}

QStringList ViewTechDialog::columnTexts(int column) const
{
    QStringList texts;
    for (int row = 1; row < metalTableWidget->rowCount(); ++row) {
        const QTableWidgetItem *item = metalTableWidget->item(row, column);
        texts.append(item ? item->text() : QString());
    }
    return texts;
}

QStringList ViewTechDialog::levelMetalNames() const
{
    return columnTexts(0);
}

QStringList ViewTechDialog::levelRoles() const
{
    return columnTexts(1);
}
