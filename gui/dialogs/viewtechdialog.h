#pragma once

#include "core/sonnet/technology.h"
#include "ui_viewtechdialog.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QComboBox;

// Shows the template's dielectric layers and, between them, the metal levels with the metal
// type and role of each, which the user changes through a drop-down list in the current cell.
class ViewTechDialog : public QDialog, public Ui::ViewTechDialog
{
    Q_OBJECT

public:
    ViewTechDialog(const QStringList &layerMetalNames, const QStringList &layerRoles,
                   const QList<torvane::MetalType> &metalTypes,
                   const QList<torvane::DielectricLayer> &dielectricLayers,
                   const QString &lengthUnit, QWidget *parent = nullptr);

    // The cell texts of the metal levels (rows 1 and on), one entry per level.
    QStringList levelMetalNames() const;
    QStringList levelRoles() const;

public slots:
    void accept() override;
    void metalCellChanged(int currentRow, int currentColumn, int previousRow, int previousColumn);

private:
    void fillTechTable(const QList<torvane::DielectricLayer> &dielectricLayers,
                       const QString &lengthUnit);
    void fillMetalTable(const QStringList &layerMetalNames, const QStringList &layerRoles,
                        int rowCount);
    void fitTables();
    QStringList columnTexts(int column) const;
    // Moves the editor's choice into its cell and removes the editor.
    void commitEditor(int row, int column);

    QStringList metalTypeNames;
    QComboBox *currentEditor = nullptr;
};
