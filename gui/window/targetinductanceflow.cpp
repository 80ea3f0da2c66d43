#include "gui/window/targetinductanceflow.h"

#include "gui/window/appsettings.h"
#include "gui/window/shapetabform.h"
#include "gui/window/userprompts.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QSettings>

using namespace torvane;

namespace {
const QString group = QStringLiteral("Target");

// In their own group "Target" beside the window's keys; anything unreadable falls back.
TargetInductanceDialog::Entries readEntries()
{
    QSettings settings = settingsStore();
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
    QSettings settings = settingsStore();
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

TargetInductanceFlow::TargetInductanceFlow(const TabDesignSource &source,
                                           const QList<ShapeTabForm *> &tabs,
                                           const QList<QWidget *> &pages, UserPrompts &prompts,
                                           QWidget *window)
    : QObject(window), source(source), tabs(tabs), prompts(prompts), window(window)
{
    for (qsizetype tab = 0; tab < pages.size(); ++tab) {
        auto *button = new QPushButton(tr("Target L ..."));
        button->setObjectName(QStringLiteral("targetInductanceButton%1").arg(tab));
        button->setToolTip(tr("Find the turns and inner radius that give an inductance, with "
                              "this tab's width, spacing and other values"));
        button->setEnabled(false);
        placeBelowPicture(pages[tab], button);
        connect(button, &QPushButton::clicked, this, [this, tab] { run(int(tab)); });
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
    const TabDesign tab = source.tabDesign(tabIndex);
    TargetInductanceDialog::Design d;
    d.parameters = tab.parameters;
    d.document = tab.technology->document();
    d.layerSetup = tab.technology->layerSetup();
    d.functionSetup = tab.technology->functionSetup();
    d.lengthUnit = tab.lengthUnit;
    d.inductanceUnit = tab.inductanceUnit;
    return d;
}

void TargetInductanceFlow::run(int tabIndex)
{
    if (!source.tabDesign(tabIndex).technology)
        return;
    TargetInductanceDialog dialog(design(tabIndex), readEntries(), window);
    const int result = prompts.exec(dialog);
    writeEntries(dialog.entries());
    if (result != QDialog::Accepted)
        return;
    if (const std::optional<SynthesisCandidate> chosen = dialog.chosen())
        tabs.value(tabIndex)->takeTurnsAndRadius(chosen->parameters.turns,
                                                 chosen->parameters.radius);
}
