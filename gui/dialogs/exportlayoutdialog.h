#pragma once

#include "core/export/layoutexport.h"
#include "gui/window/exportsettings.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class UserPrompts;

// The layout file, its format (by suffix), database unit, origin, cell name and GDSII layer
// map for one export. OK stays disabled while any of them is unusable, and a line says why.
class ExportLayoutDialog : public QDialog
{
    Q_OBJECT

public:
    // `levels` and `levelRoles` describe the layout about to be written, for the table.
    ExportLayoutDialog(const LayoutExportSettings &stored, const torvane::LayoutLevels &levels,
                       const QStringList &levelRoles, UserPrompts &prompts,
                       QWidget *parent = nullptr);

    QString fileName() const;
    torvane::LayoutExportOptions options() const;
    // The values to remember, as typed.
    LayoutExportSettings settings() const;

    QLineEdit *fileEdit;
    QPushButton *browseButton;
    QLabel *formatLabel;
    QLineEdit *cellEdit;
    QLineEdit *unitEdit;
    QComboBox *originComboBox;
    QGroupBox *mapGroup;
    // One row per map entry: applies to (spiral, L2, via:0-1), layer, datatype.
    QTableWidget *mapTable;
    QPushButton *addRowButton;
    QPushButton *removeRowButton;
    QLabel *resultLabel;
    QLabel *problemLabel;
    QDialogButtonBox *buttonBox;

public slots:
    void browse();
    // Asks before an existing file is replaced, unless the file dialog already did.
    void accept() override;
    void addRow();
    void refresh();

private:
    QString layerMapText() const;
    void appendRow(const QString &key, torvane::GdsLayer target);
    // The first problem with the current values, empty when there is none.
    QString problem() const;
    QString resultText(const torvane::LayerMap &map) const;

    UserPrompts &prompts;
    torvane::LayoutLevels levels;
    QStringList levelRoles;
    QString confirmedFileName; // chosen in the file dialog, which asked about replacing it
};
