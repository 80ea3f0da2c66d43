#include "gui/window/shapetabform.h"

#include "core/template/fieldvalue.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDoubleValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyleOptionFrame>

#include <cmath>

using namespace torvane;

namespace {
// Out-of-range input stays as typed and simply does not end the edit; Qt's own fixup would
// rewrite it into a different number in scientific notation. Decimals are counted on the value,
// as the command line counts them, so an exponent neither hides nor adds any.
class FieldValidator : public QDoubleValidator
{
public:
    FieldValidator(int decimals, QObject *parent)
        : QDoubleValidator(smallestLength, largestLength, anyDecimals, parent),
          maxDecimals(decimals)
    {
        // The fields are read with the C conversion, so they take a decimal point everywhere
        // and no group separator, which the conversion would read as the end of the number.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
        setLocale(c);
    }
    void fixup(QString &) const override {}

    State validate(QString &input, int &pos) const override
    {
        // A comma would be read as a group separator and dropped ("2,5" gives 25), so the
        // value used would not be the one shown.
        if (input.contains(QLatin1Char(',')))
            return Intermediate;
        const State state = QDoubleValidator::validate(input, pos);
        if (state != Invalid && decimalsOfValue(input).value_or(0) > maxDecimals)
            return Invalid;
        return state;
    }

    QString allowedText() const
    {
        return QStringLiteral("Allowed: %1 to %2 with at most %3 decimals, with a point as the "
                              "decimal separator")
            .arg(QString::number(bottom(), 'g', 10), QString::number(top(), 'g', 10))
            .arg(maxDecimals);
    }

private:
    static constexpr int anyDecimals = 1000;
    int maxDecimals;
};

// Text a validator does not accept never ends the edit, yet stays in the field and is used;
// a red frame and the allowed range in the tooltip keep it from going unnoticed.
void markAcceptance(QLineEdit *edit, const FieldValidator *validator, const QString &toolTip)
{
    if (edit->hasAcceptableInput()) {
        edit->setStyleSheet(QString());
        edit->setToolTip(toolTip);
        return;
    }
    // The padding keeps the height of the style's own frame, so marking never moves the rows.
    edit->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid red; padding: 2px 1px; }"));
    const QString allowed = validator->allowedText();
    edit->setToolTip(toolTip.isEmpty() ? allowed : toolTip + QLatin1Char('\n') + allowed);
}

// Wide enough for the widest value the validators accept, so that no tab's layout squeezes a
// field below it, whichever tab decides the window's width.
void fitWidestValue(QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins margins = edit->textMargins();
    // 4: the line edit's own margin of 2 pixels on either side of its text.
    const int textWidth = edit->fontMetrics().horizontalAdvance(QStringLiteral("999999.999")) + 4 +
                          margins.left() + margins.right();
    const QSize contents(textWidth, edit->fontMetrics().height());
    edit->setMinimumWidth(
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, edit).width());
}

// Plain conversion: text that is not a number counts as 0.
double number(const QLineEdit *edit)
{
    return edit->text().toDouble();
}

// A partially checked box does not count.
bool ticked(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked;
}

QString shapePrefix(SpiralShape shape)
{
    switch (shape) {
    case SpiralShape::Round:
        return QStringLiteral("rs");
    case SpiralShape::NSided:
        return QStringLiteral("ns");
    case SpiralShape::RoundDifferential:
        return QStringLiteral("rsd");
    case SpiralShape::NSidedDifferential:
        return QStringLiteral("nsd");
    }
    return {};
}
} // namespace

ShapeTabForm::ShapeTabForm(QWidget *page, SpiralShape shape, QObject *parent)
    : QObject(parent), page(page), tabShape(shape), prefix(shapePrefix(shape))
{
    turnsReal = find<QDoubleSpinBox>("TurnsDoubleSpinBox");
    turnsWhole = find<QSpinBox>("TurnsSpinBox");
    sides = find<QSpinBox>("SidesSpinBox");
    width = find<QLineEdit>("SpiralWidthEdit");
    spacing = find<QLineEdit>("SpacingEdit");
    radius = find<QLineEdit>("RadiusEdit");
    bridgeWidth = find<QLineEdit>("BridgeWidthEdit");
    feedSpacing = find<QLineEdit>("FeedSpacingEdit");
    feedAuto = find<QCheckBox>("FeedAutoCheckBox");
    centerTap = find<QCheckBox>("CenterTapCheckBox");
    minRadius = find<QLabel>("MinRadiusLabel");
    for (const char *suffix :
         {"SpiralWidthUnitlabel", "SpiralSpacingUnitlabel", "SpiralRadiusUnitlabel",
          "BridgeWidthUnitlabel", "FeedWithUnitLabel"}) {
        if (auto *label = find<QLabel>(suffix))
            unitLabels.append(label);
    }

    fields = {{width, tr("Width")}, {spacing, tr("Spacing")}, {radius, tr("Inner Radius")}};
    if (feedSpacing)
        fields.append({feedSpacing, tr("Feed Spacing")});
    fields.append(
        {bridgeWidth, isDifferential(shape) ? tr("Center Tap Width") : tr("Bridge Width")});

    installValidators();
    connectWidgets();
}

template <typename T> T *ShapeTabForm::find(const char *suffix) const
{
    return page->findChild<T *>(prefix + QLatin1String(suffix));
}

void ShapeTabForm::installValidators()
{
    for (const LengthField &field : std::as_const(fields)) {
        QLineEdit *edit = field.edit;
        // The n-sided differential layout rounds its width to 2 decimals.
        const int decimals = tabShape == SpiralShape::NSidedDifferential && edit == width ? 2 : 3;
        const auto *validator = new FieldValidator(decimals, edit);
        edit->setValidator(validator);
        fitWidestValue(edit);
        const auto mark = [edit, validator, toolTip = edit->toolTip()] {
            markAcceptance(edit, validator, toolTip);
        };
        connect(edit, &QLineEdit::textChanged, edit, mark);
        mark();
    }
}

// The numbers and the picture follow the text as it is typed, so that they always describe
// the fields as they stand.
void ShapeTabForm::connectWidgets()
{
    for (const LengthField &field : std::as_const(fields))
        connect(field.edit, &QLineEdit::textChanged, this, &ShapeTabForm::changed);
    if (turnsReal)
        connect(turnsReal, &QDoubleSpinBox::valueChanged, this, &ShapeTabForm::changed);
    if (turnsWhole)
        connect(turnsWhole, &QSpinBox::valueChanged, this, &ShapeTabForm::changed);
    if (sides)
        connect(sides, &QSpinBox::valueChanged, this, &ShapeTabForm::changed);
    for (QCheckBox *box : {feedAuto, centerTap}) {
        if (!box)
            continue;
        connect(box, &QCheckBox::stateChanged, this, &ShapeTabForm::updateEnabled);
        connect(box, &QCheckBox::stateChanged, this, &ShapeTabForm::changed);
    }
}

void ShapeTabForm::updateEnabled()
{
    if (feedAuto)
        feedSpacing->setEnabled(!ticked(feedAuto));
    if (centerTap)
        bridgeWidth->setEnabled(ticked(centerTap));
}

SpiralParameters ShapeTabForm::parameters() const
{
    SpiralParameters p;
    p.shape = tabShape;
    p.turns = turnsReal ? turnsReal->value() : turnsWhole->value();
    if (sides)
        p.sides = sides->value();
    p.radius = number(radius);
    p.spiralWidth = number(width);
    p.spacing = number(spacing);
    p.bridgeWidth = number(bridgeWidth);
    if (feedAuto) {
        p.feedSpacingAuto = ticked(feedAuto);
        p.feedSpacing = number(feedSpacing);
    }
    if (centerTap)
        p.centerTap = ticked(centerTap);
    return p;
}

QStringList ShapeTabForm::outOfRangeFields() const
{
    QStringList names;
    for (const LengthField &field : fields) {
        // A disabled field's value takes no part in the layout.
        if (field.edit->isEnabled() && !field.edit->hasAcceptableInput())
            names.append(field.name);
    }
    return names;
}

void ShapeTabForm::setLengthUnit(const QString &unit)
{
    for (QLabel *label : std::as_const(unitLabels))
        label->setText(unit);
}

void ShapeTabForm::setMinRadiusHint(const QString &text)
{
    if (minRadius)
        minRadius->setText(text);
}

void ShapeTabForm::takeTurnsAndRadius(double turns, double innerRadius)
{
    if (turnsReal)
        turnsReal->setValue(turns);
    else
        turnsWhole->setValue(static_cast<int>(std::lround(turns)));
    radius->setText(radiusFieldText(innerRadius));
}

ShapeTabSettings ShapeTabForm::settings() const
{
    ShapeTabSettings s = ShapeTabSettings::defaults(isDifferential(tabShape));
    s.turns = turnsReal ? turnsReal->value() : turnsWhole->value();
    if (sides)
        s.sides = sides->value();
    s.spiralWidth = width->text();
    s.spacing = spacing->text();
    s.radius = radius->text();
    s.bridgeWidth = bridgeWidth->text();
    if (feedAuto) {
        s.feedSpacing = feedSpacing->text();
        s.feedSpacingAuto = feedAuto->checkState();
    }
    if (centerTap)
        s.centerTap = centerTap->checkState();
    return s;
}

void ShapeTabForm::applySettings(const ShapeTabSettings &s)
{
    if (sides)
        sides->setValue(s.sides);
    if (turnsReal)
        turnsReal->setValue(s.turns);
    else
        turnsWhole->setValue(static_cast<int>(s.turns));
    width->setText(s.spiralWidth);
    spacing->setText(s.spacing);
    radius->setText(s.radius);
    bridgeWidth->setText(s.bridgeWidth);
    if (feedAuto) {
        feedSpacing->setText(s.feedSpacing);
        feedAuto->setChecked(s.feedSpacingAuto != 0);
    }
    if (centerTap)
        centerTap->setChecked(s.centerTap != 0);
    updateEnabled();
}

QString radiusFieldText(double radius)
{
    QString text = QString::number(std::round(radius * 1000) / 1000, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
