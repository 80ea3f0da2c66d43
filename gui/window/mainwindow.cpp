#include "gui/window/mainwindow.h"

#include "core/template/units.h"
#include "gui/dialogs/aboutdialog.h"
#include "gui/dialogs/setupdialog.h"
#include "gui/preview/previewdock.h"
#include "gui/preview/previewpanel.h"
#include "gui/preview/previewsettings.h"
#include "gui/window/appsettings.h"
#include "gui/window/layoutexportflow.h"
#include "gui/window/outputpanel.h"
#include "gui/window/shapetabform.h"
#include "gui/window/statushint.h"
#include "gui/window/targetinductanceflow.h"
#include "gui/window/templateflow.h"
#include "gui/window/userprompts.h"
#include "gui/window/windowplacement.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QSettings>
#include <QSplitter>
#include <QTabBar>

using namespace torvane;

namespace {
// A stored index that no longer names an entry would leave the combo box without a unit,
// and the next project would declare an empty one.
void setStoredIndex(QComboBox *comboBox, int index)
{
    if (index >= 0 && index < comboBox->count())
        comboBox->setCurrentIndex(index);
}

// Moves the combo box to the unit; an empty or unknown name keeps the selection.
void selectUnit(QComboBox *comboBox, const QString &unitName)
{
    QStringList names;
    for (int i = 0; i < comboBox->count(); ++i)
        names.append(comboBox->itemText(i));
    const int index = matchingUnitIndex(names, unitName);
    if (index >= 0)
        comboBox->setCurrentIndex(index);
}

// "Checked" as the settings store it, for a flag.
bool ticked(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked;
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : MainWindow(QtUserPrompts::instance(), parent) {}

MainWindow::MainWindow(UserPrompts &prompts, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), prompts(prompts),
      creating(prompts, *this)
{
    ui->setupUi(this);
    setUpForm();
    connectForm();
    UpdateLengthUnits(ui->lengthUnitComboBox->currentIndex());
    UpdateInductanceUnits(ui->inductanceUnitComboBox->currentIndex());
    LoadSettings();
    UpdateEstimate();
    hint->refresh();
}

MainWindow::~MainWindow()
{
    // A field losing the focus as it is destroyed would still call into this half-gone window.
    for (const QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

QString MainWindow::firstStartHint()
{
    return tr("No technology template loaded: File > Open Example Template gives a ready one.");
}

void MainWindow::setUpForm()
{
    // Qt 6 chains a compound widget's tab order behind all its pages' fields, which would put
    // the bridge width ahead of the turns; start the round fields right after the tab bar.
    if (auto *tabBar = ui->tabWidget->findChild<QTabBar *>()) {
        QWidget::setTabOrder(tabBar, ui->rsTurnsDoubleSpinBox);
        QWidget::setTabOrder(ui->rsTurnsDoubleSpinBox, ui->rsSpiralWidthEdit);
        QWidget::setTabOrder(ui->rsSpiralWidthEdit, ui->rsSpacingEdit);
        QWidget::setTabOrder(ui->rsSpacingEdit, ui->rsRadiusEdit);
    }
    previewDock = new PreviewDock(*this, ui->menu_Help, [this] {
        PreviewRequest request;
        if (const torvane::Technology *technology = templateSession.technology())
            request.technology = *technology;
        request.parameters = tabParameters(ui->tabWidget->currentIndex());
        request.lengthUnit = ui->lengthUnitComboBox->currentText();
        return request;
    });
    QList<ShapeTabForm *> forms;
    QList<QWidget *> pages;
    for (int tab = 0; tab < 4; ++tab) {
        pages.append(ui->tabWidget->widget(tab));
        tabs[tab] = new ShapeTabForm(pages.last(), static_cast<SpiralShape>(tab), this);
        forms.append(tabs[tab]);
        connect(tabs[tab], &ShapeTabForm::changed, this, &MainWindow::UpdateEstimate);
    }
    // The geometry inductance in the box and the peak Q, below the geometry line.
    const auto addRow = [this](const QString &caption, const QString &name) {
        auto *value = new QLabel(QStringLiteral("\u2013"));
        value->setObjectName(name);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int row = ui->gridLayout_23->rowCount();
        ui->gridLayout_23->addWidget(new QLabel(caption), row, 0);
        ui->gridLayout_23->addWidget(value, row, 1, 1, 2);
        return value;
    };
    QLabel *inBox = addRow(tr("In box:"), QStringLiteral("InBoxLabel"));
    QLabel *quality = addRow(tr("Q:"), QStringLiteral("QualityLabel"));
    outputPanel = new OutputPanel({ui->InductanceLabel, ui->SizeXLabel, ui->GeometryLabel, inBox,
                                   quality, previewDock->responsePlot()},
                                  this);
    connect(previewDock, &PreviewDock::currentReview, this,
            [this](const std::shared_ptr<const DesignReview> &review) {
                outputPanel->showGeometry(*review);
            });
    templates = new TemplateFlow(templateSession, prompts, this, ui->menu_File, ui->actionClose);
    hint = new StatusHint(*this, firstStartHint(), [this] { return !templateSession.isLoaded(); });

    // Opening is also in the menu, where its key shows.
    auto *openAction = new QAction(tr("&Open ..."), this);
    openAction->setObjectName(QStringLiteral("actionOpenTemplate"));
    openAction->setShortcut(QKeySequence::Open);
    openAction->setStatusTip(tr("Open a Sonnet project as the technology template"));
    ui->menu_File->insertAction(ui->actionOpenExampleTemplate, openAction);
    connect(openAction, &QAction::triggered, this, &MainWindow::OpenTechButtonClicked);

    auto *exportAction = new QAction(tr("Export Layout ..."), this);
    exportAction->setObjectName(QStringLiteral("actionExportLayout"));
    exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    const QList<QAction *> fileActions = ui->menu_File->actions();
    const qsizetype close = fileActions.indexOf(ui->actionClose);
    ui->menu_File->insertAction(close > 0 && fileActions[close - 1]->isSeparator()
                                    ? fileActions[close - 1]
                                    : ui->actionClose,
                                exportAction);
    connect(exportAction, &QAction::triggered, this, &MainWindow::ExportLayout);
    exportAction->setEnabled(false);
    connect(templates, &TemplateFlow::templateLoaded, exportAction,
            [exportAction] { exportAction->setEnabled(true); });
    // The keys of the menus' actions work from the start, before any menu has been opened.
    addActions(ui->menu_File->actions());

    targetFlow = new TargetInductanceFlow(*this, forms, pages, prompts, this);

    // The layouts of the hidden tabs keep the sizes their group boxes had before the fields
    // were fitted; measured again now, the form does not widen (and the picture shrink) the
    // first time a wider tab is shown.
    for (QWidget *page : pages) {
        for (QWidget *widget : page->findChildren<QWidget *>())
            widget->updateGeometry();
        for (QLayout *layout : page->findChildren<QLayout *>())
            layout->invalidate();
    }
}

void MainWindow::connectForm()
{
    connect(ui->OpenTechButton, &QPushButton::clicked, this, &MainWindow::OpenTechButtonClicked);
    connect(ui->lengthUnitComboBox, &QComboBox::currentIndexChanged, this,
            &MainWindow::UpdateLengthUnits);
    connect(ui->inductanceUnitComboBox, &QComboBox::currentIndexChanged, this,
            &MainWindow::UpdateInductanceUnits);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::helpAbout);
    connect(ui->actionSetup, &QAction::triggered, this, &MainWindow::optionsSetup);
    connect(ui->EditLayersButton, &QPushButton::clicked, this, &MainWindow::ViewTechButtonClicked);
    connect(ui->CreateSpiralButton, &QPushButton::clicked, this,
            &MainWindow::CreateSpiralButtonClicked);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::ChangeShapeTab);
    connect(ui->actionOpenExampleTemplate, &QAction::triggered, this,
            &MainWindow::OpenExampleTemplate);
    connect(templates, &TemplateFlow::templateLoaded, this, &MainWindow::templateChanged);
    connect(templates, &TemplateFlow::levelsChanged, this, [this] {
        ui->TechTemplateFileEdit->setText(templateSession.path());
        UpdateEstimate();
    });
    ui->EditLayersButton->setEnabled(false);
    ui->CreateSpiralButton->setEnabled(false);
    // The field shows only the end of a long path.
    connect(ui->TechTemplateFileEdit, &QLineEdit::textChanged, ui->TechTemplateFileEdit,
            &QWidget::setToolTip);

    // The usual keys; the form keeps its texts.
    ui->actionClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ui->actionAbout->setShortcut(QKeySequence(Qt::Key_F1));
    ui->CreateSpiralButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
}

// --- Template ---------------------------------------------------------------------------

void MainWindow::OpenTechButtonClicked()
{
    templates->open();
}

void MainWindow::OpenExampleTemplate()
{
    templates->openExample();
}

int MainWindow::LoadTechTemplate(const QString &fileName)
{
    return templates->load(fileName) ? 0 : 1;
}

void MainWindow::templateChanged()
{
    ui->TechTemplateFileEdit->setText(templateSession.path());
    ui->EditLayersButton->setEnabled(true);
    ui->CreateSpiralButton->setEnabled(true);
    targetFlow->setEnabled(true);
    selectTemplateUnits();
    hint->refresh();
    // A unit change re-runs the estimate, but when the combo boxes already match, nothing
    // else would replace the "n/a" of the state without a template.
    UpdateEstimate();
}

void MainWindow::selectTemplateUnits()
{
    // The file's own words, before the selectors' change handlers overwrite them.
    const DimensionBlock fileUnits = templateSession.document()->dimension;
    selectUnit(ui->lengthUnitComboBox, fileUnits.lengthUnit);
    selectUnit(ui->inductanceUnitComboBox, fileUnits.inductanceUnit);
    // A project must not declare no unit, nor one the scale functions could misread.
    if (takesSelectedUnitName(lengthUnitNames(), fileUnits.lengthUnit))
        templateSession.setLengthUnit(ui->lengthUnitComboBox->currentText());
    if (takesSelectedUnitName(inductanceUnitNames(), fileUnits.inductanceUnit))
        templateSession.setInductanceUnit(ui->inductanceUnitComboBox->currentText());
}

void MainWindow::ViewTechButtonClicked()
{
    templates->editLayers(ui->lengthUnitComboBox->currentText(), creating.options().staircase);
}

// --- Units and estimate -----------------------------------------------------------------

void MainWindow::UpdateLengthUnits(int)
{
    const QString unit = ui->lengthUnitComboBox->currentText();
    for (ShapeTabForm *tab : tabs)
        tab->setLengthUnit(unit);
    ui->SizeXUnitLabel->setText(unit);
    templateSession.setLengthUnit(unit);
    UpdateEstimate();
}

void MainWindow::UpdateInductanceUnits(int)
{
    const QString unit = ui->inductanceUnitComboBox->currentText();
    ui->InductanceUnitLabel->setText(unit);
    templateSession.setInductanceUnit(unit);
    UpdateEstimate();
}

SpiralParameters MainWindow::tabParameters(int tabIndex) const
{
    return tabIndex >= 0 && tabIndex < 4 ? tabs[tabIndex]->parameters() : SpiralParameters();
}

TabDesign MainWindow::tabDesign(int tabIndex) const
{
    TabDesign design;
    design.parameters = tabParameters(tabIndex);
    design.technology = templateSession.technology();
    design.lengthUnit = ui->lengthUnitComboBox->currentText();
    design.inductanceUnit = ui->inductanceUnitComboBox->currentText();
    if (tabIndex >= 0 && tabIndex < 4)
        design.outOfRangeFields = tabs[tabIndex]->outOfRangeFields();
    return design;
}

void MainWindow::UpdateEstimate()
{
    previewDock->schedule();
    const int tab = ui->tabWidget->currentIndex();
    if (tab < 0 || tab >= 4)
        return;
    // Numbers for other values than the fields show would mislead.
    if (const QStringList outOfRange = tabs[tab]->outOfRangeFields(); !outOfRange.isEmpty()) {
        outputPanel->showNone(tr("Not computed: %1 out of range.").arg(outOfRange.join(", ")));
        tabs[tab]->setMinRadiusHint(QString());
        return;
    }
    const QString minRadiusHint =
        outputPanel->show(templateSession.technology(), tabParameters(tab),
                          ui->inductanceUnitComboBox->currentText());
    tabs[tab]->setMinRadiusHint(minRadiusHint);
}

void MainWindow::ChangeShapeTab(int)
{
    UpdateEstimate();
}

// --- Create and export ------------------------------------------------------------------

void MainWindow::CreateSpiralButtonClicked()
{
    CreateSpiral(ui->tabWidget->currentIndex());
}

void MainWindow::CreateSpiral(int tabIndex)
{
    if (tabIndex >= 0 && tabIndex < 4)
        creating.run(tabDesign(tabIndex));
}

void MainWindow::ExportLayout()
{
    LayoutExportFlow(prompts, this).run(tabDesign(ui->tabWidget->currentIndex()));
}

// --- Dialogs and settings ---------------------------------------------------------------

void MainWindow::optionsSetup()
{
    XgeomOptions &xgeom = creating.options();
    SetupDialog dialog(xgeom.path, xgeom.start, xgeom.staircase, prompts, this);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;
    xgeom = {dialog.xgeomPathEdit->text(), ticked(dialog.xgeomStartCheckBox),
             ticked(dialog.StaircaseCheckBox)};
}

int MainWindow::helpAbout()
{
    AboutDialog dialog(this);
    return prompts.exec(dialog);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    SaveSettings();
    event->accept();
}

void MainWindow::LoadSettings()
{
    QSettings store = settingsStore();
    const AppSettings settings = AppSettings::read(store);
    const PreviewSettings previewSettings = PreviewSettings::read(store);
    const QRect area = availableAreaAt(settings.window.pos);
    if (!settings.window.placed && area.isValid())
        setGeometry(firstPlacement(area, ui->centralwidget->sizeHint(), minimumSizeHint()));
    else
        restorePlacement(*this, settings.window.pos, settings.window.size,
                         previewSettings.visible && previewSettings.splitterState.isEmpty()
                             ? previewDock->pages()->sizeHint().width()
                             : 0);
    previewDock->restore(previewSettings);
    creating.options() = {settings.window.xgeomPath, settings.window.xgeomStart,
                          settings.window.xgeomStaircase};
    templates->setRecentFiles(settings.base.recentTemplates);

    // A stored template that cannot be read now stays stored: it may well come back.
    const bool loaded = LoadTechTemplate(settings.base.sonTemplate) == 0;
    if (!loaded)
        ui->TechTemplateFileEdit->setText(settings.base.sonTemplate);
    // Without a stored choice a template keeps its own units.
    if (settings.base.lengthIndexStored || !loaded)
        setStoredIndex(ui->lengthUnitComboBox, settings.base.lengthIndex);
    if (settings.base.inductanceIndexStored || !loaded)
        setStoredIndex(ui->inductanceUnitComboBox, settings.base.inductanceIndex);
    ui->tabWidget->setCurrentIndex(settings.base.spiralType);
    for (int tab = 0; tab < 4; ++tab)
        tabs[tab]->applySettings(settings.tab(tab));
}

void MainWindow::SaveSettings()
{
    AppSettings settings;
    const XgeomOptions &xgeom = creating.options();
    settings.window = {pos(), size(), xgeom.path, xgeom.start, xgeom.staircase};
    settings.base = {ui->TechTemplateFileEdit->text(), ui->lengthUnitComboBox->currentIndex(),
                     ui->inductanceUnitComboBox->currentIndex(), ui->tabWidget->currentIndex(),
                     templateSession.recentFiles()};
    for (int tab = 0; tab < 4; ++tab)
        settings.tab(tab) = tabs[tab]->settings();

    QSettings store = settingsStore();
    settings.write(store);
    previewDock->settings().write(store);
}
