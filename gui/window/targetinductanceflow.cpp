#include "gui/window/targetinductanceflow.h"

#include "gui/window/appsettings.h"
#include "gui/window/mainwindow.h"
#include "gui/window/userprompts.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QSettings>

#include <cmath>

namespace {
const QString group = QStringLiteral("Target");

QSettings store()
{
    return QSettings(QString::fromLatin1(settingsOrganisation),
                     QString::fromLatin1(settingsApplication));
}

// In their own group "Target" beside the window's keys; anything unreadable falls back.
TargetInductanceDialog::Entries readEntries()
{
    QSettings settings = store();
    settings.beginGroup(group);
    TargetInductanceDialog::Entries entries;
    entries.target = settings.value(QStringLiteral("Value")).toString();
    const double tolerance = settings.value(QStringLiteral("Tolerance"), 1.0).toDouble();
    entries.tolerancePercent = tolerance > 0 ? tolerance : 1.0;
    entries.place = settings.value(QStringLiteral("Place")).toString() == QStringLiteral("winding")
                        ? InductancePlace::Winding
                        : InductancePlace::ReferencePlanes;
    return entries;
}

void writeEntries(const TargetInductanceDialog::Entries &entries)
{
    QSettings settings = store();
    settings.beginGroup(group);
    settings.setValue(QStringLiteral("Value"), entries.target);
    settings.setValue(QStringLiteral("Tolerance"), entries.tolerancePercent);
    settings.setValue(QStringLiteral("Place"), entries.place == InductancePlace::Winding
                                                   ? QStringLiteral("winding")
                                                   : QStringLiteral("refplanes"));
}

// Under the tab's picture there is room to spare; below the fields the tallest tab would grow
// the window.
void placeBelowPicture(QWidget *tab, QPushButton *button)
{
    auto *row = qobject_cast<QBoxLayout *>(tab->layout());
    QLayoutItem *pictureItem = row && row->count() > 1 ? row->itemAt(row->count() - 1) : nullptr;
    QWidget *picture = pictureItem ? pictureItem->widget() : nullptr;
    if (!picture) {
        tab->layout()->addWidget(button);
        return;
    }
    const int index = row->indexOf(picture);
    row->removeWidget(picture);
    auto *column = new QVBoxLayout;
    column->addWidget(picture);
    column->addWidget(button, 0, Qt::AlignRight);
    row->insertLayout(index, column);
}
} // namespace

TargetInductanceFlow::TargetInductanceFlow(MainWindow &window, UserPrompts &prompts)
    : QObject(&window), window(window), prompts(prompts)
{
    for (int tab = 0; tab < window.tabWidget->count(); ++tab) {
        auto *button = new QPushButton(tr("Target L ..."));
        button->setObjectName(QStringLiteral("targetInductanceButton%1").arg(tab));
        button->setToolTip(tr("Find the turns and inner radius that give an inductance, with "
                              "this tab's width, spacing and other values"));
        button->setEnabled(false);
        placeBelowPicture(window.tabWidget->widget(tab), button);
        connect(button, &QPushButton::clicked, this, [this, tab] { run(tab); });
        buttons.append(button);
    }
}

void TargetInductanceFlow::setEnabled(bool enabled)
{
    for (QPushButton *button : buttons)
        button->setEnabled(enabled);
}

TargetInductanceDialog::Design TargetInductanceFlow::design(int tabIndex) const
{
    TargetInductanceDialog::Design d;
    d.parameters = window.tabParameters(tabIndex);
    d.document = *window.templateDocument();
    // Only the technology counts; the geometry of a past create would just be copied along.
    d.document.geometry.clearGeometry();
    d.layerSetup = window.levelMetalNames();
    d.functionSetup = window.levelRoles();
    d.lengthUnit = window.lengthUnitComboBox->currentText();
    d.inductanceUnit = window.inductanceUnitComboBox->currentText();
    return d;
}

void TargetInductanceFlow::run(int tabIndex)
{
    if (!window.templateDocument())
        return;
    TargetInductanceDialog dialog(design(tabIndex), readEntries(), &window);
    const int result = prompts.exec(dialog);
    writeEntries(dialog.entries());
    if (result != QDialog::Accepted)
        return;
    if (const std::optional<SynthesisCandidate> chosen = dialog.chosen())
        fillTab(tabIndex, *chosen);
}

void TargetInductanceFlow::fillTab(int tabIndex, const SynthesisCandidate &candidate)
{
    const SpiralParameters &p = candidate.parameters;
    const QString radius = radiusFieldText(p.radius);
    switch (tabIndex) {
    case 0:
        window.rsTurnsDoubleSpinBox->setValue(p.turns);
        window.rsRadiusEdit->setText(radius);
        break;
    case 1:
        window.nsTurnsDoubleSpinBox->setValue(p.turns);
        window.nsRadiusEdit->setText(radius);
        break;
    case 2:
        window.rsdTurnsSpinBox->setValue(static_cast<int>(std::lround(p.turns)));
        window.rsdRadiusEdit->setText(radius);
        break;
    case 3:
        window.nsdTurnsSpinBox->setValue(static_cast<int>(std::lround(p.turns)));
        window.nsdRadiusEdit->setText(radius);
        break;
    default:
        return;
    }
    // Text set from code ends no edit, so the estimate and preview are asked for here.
    window.UpdateEstimate();
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
