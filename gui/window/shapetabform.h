#pragma once

#include "core/template/createspiral.h"
#include "gui/window/appsettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;

// One shape tab of the window's form: which widget holds which parameter, how the fields are
// checked, their units, what enables what, and the stored values. The four tabs differ only in
// which of these widgets they have, so one class serves them all.
class ShapeTabForm : public QObject
{
    Q_OBJECT

public:
    // A length field and the name the out-of-range question gives it.
    struct LengthField
    {
        QLineEdit *edit;
        QString name;
    };

    // Finds the tab's widgets on `page` by the object names of the shape's prefix.
    ShapeTabForm(QWidget *page, torvane::SpiralShape shape, QObject *parent = nullptr);

    torvane::SpiralShape shape() const { return tabShape; }
    // The parameters as the fields give them: text that is not a number counts as 0.
    torvane::SpiralParameters parameters() const;
    // In the order of the tab's rows.
    const QList<LengthField> &lengthFields() const { return fields; }
    // The names of the enabled fields whose text the validators do not accept.
    QStringList outOfRangeFields() const;

    void setLengthUnit(const QString &unit);
    // The n-sided differential tab's hint of the smallest inner radius; others ignore it.
    void setMinRadiusHint(const QString &text);
    // Turns and inner radius from a synthesis; the rest of the tab stays.
    void takeTurnsAndRadius(double turns, double radius);

    ShapeTabSettings settings() const;
    void applySettings(const ShapeTabSettings &settings);

signals:
    // Any change of a value, keystrokes included.
    void changed();

private:
    template <typename T> T *find(const char *suffix) const;
    void installValidators();
    void connectWidgets();
    void updateEnabled();

    QWidget *page;
    torvane::SpiralShape tabShape;
    QString prefix;
    QDoubleSpinBox *turnsReal = nullptr; // single-ended tabs: quarter turns
    QSpinBox *turnsWhole = nullptr;      // differential tabs
    QSpinBox *sides = nullptr;
    QLineEdit *width = nullptr;
    QLineEdit *spacing = nullptr;
    QLineEdit *radius = nullptr;
    QLineEdit *bridgeWidth = nullptr;
    QLineEdit *feedSpacing = nullptr;
    QCheckBox *feedAuto = nullptr;
    QCheckBox *centerTap = nullptr;
    QLabel *minRadius = nullptr;
    QList<QLabel *> unitLabels;
    QList<LengthField> fields;
};

// The radius as the fields take it: at most 3 decimals, without trailing zeros.
QString radiusFieldText(double radius);
