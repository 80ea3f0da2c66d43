#include "gui/window/mainwindow.h"

#include "core/checks/designchecks.h"
#include "core/template/units.h"

#include "core/files/checkedsavefile.h"
#include "core/template/builtintemplate.h"
#include "core/template/estimate.h"
#include "core/template/layerroles.h"
#include "core/template/templatecheck.h"
#include "gui/dialogs/aboutdialog.h"
#include "gui/dialogs/setupdialog.h"
#include "gui/dialogs/viewtechdialog.h"
#include "gui/preview/previewpanel.h"
#include "gui/preview/previewsettings.h"
#include "gui/preview/previewupdater.h"
#include "gui/window/appsettings.h"
#include "gui/window/layoutconfirmation.h"
#include "gui/window/layoutexportflow.h"
#include "gui/window/targetinductanceflow.h"
#include "gui/window/userprompts.h"
#include "gui/window/windowplacement.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDir>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QMenuBar>
#include <QProcess>
#include <QPromise>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QThreadPool>

namespace {
const QString sonnetFilter = QStringLiteral("Sonnet Files (*.son);;All Files (*.*)");
const QString sonnetSuffix = QStringLiteral("son");

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

// Out-of-range input stays as typed and simply does not end the edit; Qt's own fixup would
// rewrite it into a different number in scientific notation.
class FieldValidator : public QDoubleValidator
{
public:
    FieldValidator(int decimals, QObject *parent)
        : QDoubleValidator(0.001, 1000000, decimals, parent)
    {
        // The fields are read with the C conversion, so they take a decimal point everywhere
        // and no group separator, which the conversion would read as the end of the number.
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
        setLocale(c);
    }
    void fixup(QString &) const override {}

    QString allowedText() const
    {
        return QStringLiteral("Allowed: %1 to %2 with at most %3 decimals")
            .arg(QString::number(bottom(), 'g', 10), QString::number(top(), 'g', 10))
            .arg(decimals());
    }
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

// A stored index that no longer names an entry would leave the combo box without a unit,
// and the next project would declare an empty one.
void setStoredIndex(QComboBox *comboBox, int index)
{
    if (index >= 0 && index < comboBox->count())
        comboBox->setCurrentIndex(index);
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : MainWindow(QtUserPrompts::instance(), parent) {}

MainWindow::MainWindow(UserPrompts &prompts, QWidget *parent)
    : QMainWindow(parent), prompts(prompts)
{
    setupUi(this);
    // Qt 6 chains a compound widget's tab order behind all its pages' fields, which would put
    // the bridge width ahead of the turns; start the round fields right after the tab bar.
    if (auto *tabBar = tabWidget->findChild<QTabBar *>()) {
        QWidget::setTabOrder(tabBar, rsTurnsDoubleSpinBox);
        QWidget::setTabOrder(rsTurnsDoubleSpinBox, rsSpiralWidthEdit);
        QWidget::setTabOrder(rsSpiralWidthEdit, rsSpacingEdit);
        QWidget::setTabOrder(rsSpacingEdit, rsRadiusEdit);
    }
    setUpPreview();
    connectForm();
    addExportLayoutAction(*this);
    targetFlow = new TargetInductanceFlow(*this, prompts);
    installValidators();
    UpdateLengthUnits(lengthUnitComboBox->currentIndex());
    UpdateInductanceUnits(inductanceUnitComboBox->currentIndex());
    LoadSettings();
    UpdateEstimate();
    if (!techTemplate)
        statusBar()->showMessage(firstStartHint());
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

void MainWindow::connectForm()
{
    connect(OpenTechButton, &QPushButton::clicked, this, &MainWindow::OpenTechButtonClicked);
    connect(lengthUnitComboBox, &QComboBox::currentIndexChanged, this,
            &MainWindow::UpdateLengthUnits);
    connect(inductanceUnitComboBox, &QComboBox::currentIndexChanged, this,
            &MainWindow::UpdateInductanceUnits);
    connect(actionAbout, &QAction::triggered, this, &MainWindow::helpAbout);
    connect(actionSetup, &QAction::triggered, this, &MainWindow::optionsSetup);
    connect(EditLayersButton, &QPushButton::clicked, this, &MainWindow::ViewTechButtonClicked);
    connect(CreateSpiralButton, &QPushButton::clicked, this,
            &MainWindow::CreateSpiralButtonClicked);
    connect(tabWidget, &QTabWidget::currentChanged, this, &MainWindow::ChangeShapeTab);
    EditLayersButton->setEnabled(false);
    CreateSpiralButton->setEnabled(false);
    // The field shows only the end of a long path.
    connect(TechTemplateFileEdit, &QLineEdit::textChanged, TechTemplateFileEdit,
            &QWidget::setToolTip);

    for (QLineEdit *edit : {rsSpiralWidthEdit, rsRadiusEdit, rsSpacingEdit})
        connect(edit, &QLineEdit::editingFinished, this, &MainWindow::UpdateEstimate);
    connect(rsTurnsDoubleSpinBox, &QDoubleSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);
    for (QLineEdit *edit : {nsSpiralWidthEdit, nsRadiusEdit, nsSpacingEdit})
        connect(edit, &QLineEdit::editingFinished, this, &MainWindow::UpdateEstimate);
    connect(nsTurnsDoubleSpinBox, &QDoubleSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);
    connect(nsSidesSpinBox, &QSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);
    for (QLineEdit *edit : {rsdSpiralWidthEdit, rsdRadiusEdit, rsdSpacingEdit})
        connect(edit, &QLineEdit::editingFinished, this, &MainWindow::UpdateEstimate);
    connect(rsdTurnsSpinBox, &QSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);
    connect(rsdFeedAutoCheckBox, &QCheckBox::stateChanged, this, &MainWindow::UpdateRsdFeedEdit);
    connect(rsdCenterTapCheckBox, &QCheckBox::stateChanged, this,
            &MainWindow::UpdateRsdCenterTapEdit);
    for (QLineEdit *edit : {nsdSpiralWidthEdit, nsdRadiusEdit, nsdSpacingEdit})
        connect(edit, &QLineEdit::editingFinished, this, &MainWindow::UpdateEstimate);
    connect(nsdTurnsSpinBox, &QSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);
    connect(nsdFeedAutoCheckBox, &QCheckBox::stateChanged, this, &MainWindow::UpdateNsdFeedEdit);
    connect(nsdCenterTapCheckBox, &QCheckBox::stateChanged, this,
            &MainWindow::UpdateNsdCenterTapEdit);
    connect(nsdSidesSpinBox, &QSpinBox::valueChanged, this, &MainWindow::UpdateEstimate);

    connect(actionOpenExampleTemplate, &QAction::triggered, this, &MainWindow::OpenExampleTemplate);
    connect(&geometryWatcher, &QFutureWatcherBase::finished, this,
            &MainWindow::geometryInductanceFinished);

    // The usual keys; the form keeps its texts.
    OpenTechButton->setShortcut(QKeySequence::Open);
    actionClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actionAbout->setShortcut(QKeySequence(Qt::Key_F1));
    CreateSpiralButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
}

void MainWindow::installValidators()
{
    for (int tab = 0; tab < tabWidget->count(); ++tab) {
        for (const LengthField &field : lengthFields(tab)) {
            QLineEdit *edit = field.edit;
            const auto *validator = new FieldValidator(edit == nsdSpiralWidthEdit ? 2 : 3, edit);
            edit->setValidator(validator);
            fitWidestValue(edit);
            const auto mark = [edit, validator, toolTip = edit->toolTip()] {
                markAcceptance(edit, validator, toolTip);
            };
            connect(edit, &QLineEdit::textChanged, edit, mark);
            mark();
        }
    }
}

QList<MainWindow::LengthField> MainWindow::lengthFields(int tabIndex) const
{
    switch (tabIndex) {
    case 0:
        return {{rsSpiralWidthEdit, tr("Width")},
                {rsSpacingEdit, tr("Spacing")},
                {rsRadiusEdit, tr("Inner Radius")},
                {rsBridgeWidthEdit, tr("Bridge Width")}};
    case 1:
        return {{nsSpiralWidthEdit, tr("Width")},
                {nsSpacingEdit, tr("Spacing")},
                {nsRadiusEdit, tr("Inner Radius")},
                {nsBridgeWidthEdit, tr("Bridge Width")}};
    case 2:
        return {{rsdSpiralWidthEdit, tr("Width")},
                {rsdSpacingEdit, tr("Spacing")},
                {rsdRadiusEdit, tr("Inner Radius")},
                {rsdFeedSpacingEdit, tr("Feed Spacing")},
                {rsdBridgeWidthEdit, tr("Center Tap Width")}};
    case 3:
        return {{nsdSpiralWidthEdit, tr("Width")},
                {nsdSpacingEdit, tr("Spacing")},
                {nsdRadiusEdit, tr("Inner Radius")},
                {nsdFeedSpacingEdit, tr("Feed Spacing")},
                {nsdBridgeWidthEdit, tr("Center Tap Width")}};
    default:
        return {};
    }
}

// --- Template ---------------------------------------------------------------------------

void MainWindow::OpenTechButtonClicked()
{
    const QString fileName = prompts.openFileName(this, tr("Open Template File"),
                                                  TechTemplateFileEdit->text(), sonnetFilter);
    if (fileName.isEmpty())
        return;
    if (LoadTechTemplate(fileName) != 0)
        reportReadError();
}

void MainWindow::reportReadError()
{
    const QString problem =
        templateProblem.isEmpty() ? QString() : templateProblem + QStringLiteral("\n");
    prompts.critical(this, windowTitle(),
                     tr("Error reading sonnet file\n") + TechTemplateFileEdit->text() +
                         QStringLiteral("\n") + problem);
    TechTemplateFileEdit->clear();
}

void MainWindow::OpenExampleTemplate()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString fileName = QDir(folder).filePath(builtInTemplateFileName());
    // Written once: a copy the user has since saved roles into is theirs.
    if (!QFileInfo::exists(fileName)) {
        QString reason = tr("Cannot create the folder %1.").arg(folder);
        if (!QDir().mkpath(folder) ||
            writeWholeFile(fileName, builtInTemplateText(), &reason) != 0) {
            prompts.critical(this, windowTitle(),
                             tr("Error writing sonnet file\n") + fileName + QStringLiteral("\n") +
                                 reason + QStringLiteral("\n"));
            return;
        }
    }
    if (LoadTechTemplate(fileName) != 0)
        reportReadError();
}

int MainWindow::LoadTechTemplate(const QString &fileName)
{
    templateProblem.clear();
    if (fileName.isEmpty())
        return 1;
    techTemplate.reset();
    layerSetup.clear();
    functionSetup.clear();
    TechTemplateFileEdit->setText(fileName);
    CreateSpiralButton->setEnabled(false);
    targetFlow->setEnabled(false);
    EditLayersButton->setEnabled(false);

    auto document = std::make_unique<ProjectDocument>();
    const bool read = loadProject(fileName, *document) == 0;
    if (read)
        templateProblem = templateDefect(*document).value_or(QString());
    if (!read || !templateProblem.isEmpty()) {
        // Without this the panel would keep the inductance of the template just dropped.
        UpdateEstimate();
        statusBar()->showMessage(firstStartHint());
        return 1;
    }
    techTemplate = std::move(document);
    rememberTemplate(fileName);
    EditLayersButton->setEnabled(true);
    readLayerSetup(*techTemplate, layerSetup, functionSetup);
    selectTemplateUnits();
    CreateSpiralButton->setEnabled(true);
    targetFlow->setEnabled(true);
    statusBar()->clearMessage();
    // A unit change re-runs the estimate, but when the combo boxes already match, nothing
    // else would replace the "n/a" of the state without a template.
    UpdateEstimate();
    return 0;
}

void MainWindow::OpenRecentTemplate(const QString &fileName)
{
    if (LoadTechTemplate(fileName) == 0)
        return;
    reportReadError();
    recentTemplates.removeAll(fileName);
    updateRecentTemplatesMenu();
}

void MainWindow::rememberTemplate(const QString &fileName)
{
    recentTemplates = withRecentTemplate(recentTemplates, QFileInfo(fileName).absoluteFilePath());
    updateRecentTemplatesMenu();
}

// Numbered entries between the example template and Close.
void MainWindow::updateRecentTemplatesMenu()
{
    qDeleteAll(recentTemplateActions);
    recentTemplateActions.clear();
    for (int i = 0; i < recentTemplates.size(); ++i) {
        const QString &path = recentTemplates[i];
        auto *action =
            new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName().replace(
                            QStringLiteral("&"), QStringLiteral("&&"))),
                        menu_File);
        action->setToolTip(QDir::toNativeSeparators(path));
        action->setStatusTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenRecentTemplate(path); });
        menu_File->insertAction(actionClose, action);
        recentTemplateActions.append(action);
    }
    if (!recentTemplateActions.isEmpty())
        recentTemplateActions.append(menu_File->insertSeparator(actionClose));
}

void MainWindow::selectTemplateUnits()
{
    // The file's own words, before the selectors' change handlers overwrite them.
    const DimensionBlock fileUnits = techTemplate->dimension;
    selectUnit(lengthUnitComboBox, fileUnits.lengthUnit);
    selectUnit(inductanceUnitComboBox, fileUnits.inductanceUnit);
    // A project must not declare no unit, nor one the scale functions could misread.
    if (takesSelectedUnitName(lengthUnitNames(), fileUnits.lengthUnit))
        techTemplate->dimension.setLengthUnit(lengthUnitComboBox->currentText());
    if (takesSelectedUnitName(inductanceUnitNames(), fileUnits.inductanceUnit))
        techTemplate->dimension.setInductanceUnit(inductanceUnitComboBox->currentText());
}

void MainWindow::selectUnit(QComboBox *comboBox, const QString &unitName)
{
    QStringList names;
    for (int i = 0; i < comboBox->count(); ++i)
        names.append(comboBox->itemText(i));
    // An empty or unknown name keeps the selection.
    const int index = matchingUnitIndex(names, unitName);
    if (index >= 0)
        comboBox->setCurrentIndex(index);
}

int MainWindow::SaveWithLayerSetup(const QString &fileName, QString *errorText)
{
    return saveWithLayerSetup(*techTemplate, fileName, layerSetup, functionSetup, xgeomStaircase,
                              errorText);
}

void MainWindow::ViewTechButtonClicked()
{
    if (!techTemplate)
        return;
    ViewTechDialog dialog(layerSetup, functionSetup, techTemplate->geometry.metalTypes,
                          techTemplate->geometry.dielectricLayers,
                          lengthUnitComboBox->currentText(), this);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;

    const QStringList names = dialog.levelMetalNames();
    const QStringList roles = dialog.levelRoles();
    bool changed = false;
    for (int level = 0; level < names.size() && !changed; ++level)
        changed = names[level] != layerSetup.value(level) ||
                  roles.value(level) != functionSetup.value(level);
    if (!changed)
        return;
    layerSetup = names;
    functionSetup = roles;
    UpdateEstimate(); // the geometry line and the preview follow the roles

    if (prompts.question(this, windowTitle(), tr("Layer setup changed\nSave modified template?")) !=
        QMessageBox::Yes) {
        TechTemplateFileEdit->clear();
        return;
    }
    const QString fileName = withProjectSuffix(prompts.saveFileName(
        this, tr("Save Template As"), TechTemplateFileEdit->text(), sonnetFilter, sonnetSuffix));
    if (!fileName.isEmpty()) {
        techTemplate->geometry.clearGeometry();
        QString reason;
        if (SaveWithLayerSetup(fileName, &reason) != 0) {
            prompts.critical(this, windowTitle(),
                             tr("Error saving template\n") + fileName + QStringLiteral("\n") +
                                 reason + QStringLiteral("\n"));
            // The roles live in memory only; the path must not claim a file that holds them.
            TechTemplateFileEdit->clear();
            return;
        }
    }
    TechTemplateFileEdit->setText(fileName);
}

// --- Units and estimate -----------------------------------------------------------------

void MainWindow::UpdateLengthUnits(int)
{
    const QString unit = lengthUnitComboBox->currentText();
    for (QLabel *label :
         {rsSpiralWidthUnitlabel, rsSpiralSpacingUnitlabel, rsSpiralRadiusUnitlabel,
          rsBridgeWidthUnitlabel, nsSpiralWidthUnitlabel, nsSpiralSpacingUnitlabel,
          nsSpiralRadiusUnitlabel, nsBridgeWidthUnitlabel, rsdSpiralWidthUnitlabel,
          rsdSpiralSpacingUnitlabel, rsdSpiralRadiusUnitlabel, rsdBridgeWidthUnitlabel,
          rsdFeedWithUnitLabel, nsdSpiralWidthUnitlabel, nsdSpiralSpacingUnitlabel,
          nsdSpiralRadiusUnitlabel, nsdBridgeWidthUnitlabel, nsdFeedWithUnitLabel, SizeXUnitLabel})
        label->setText(unit);
    if (techTemplate)
        techTemplate->dimension.setLengthUnit(unit);
    UpdateEstimate();
}

void MainWindow::UpdateInductanceUnits(int)
{
    const QString unit = inductanceUnitComboBox->currentText();
    InductanceUnitLabel->setText(unit);
    if (techTemplate)
        techTemplate->dimension.setInductanceUnit(unit);
    UpdateEstimate();
}

SpiralParameters MainWindow::tabParameters(int tabIndex) const
{
    SpiralParameters p;
    switch (tabIndex) {
    case 0:
        p.shape = SpiralShape::Round;
        p.turns = rsTurnsDoubleSpinBox->value();
        p.radius = number(rsRadiusEdit);
        p.spiralWidth = number(rsSpiralWidthEdit);
        p.spacing = number(rsSpacingEdit);
        p.bridgeWidth = number(rsBridgeWidthEdit);
        break;
    case 1:
        p.shape = SpiralShape::NSided;
        p.sides = nsSidesSpinBox->value();
        p.turns = nsTurnsDoubleSpinBox->value();
        p.radius = number(nsRadiusEdit);
        p.spiralWidth = number(nsSpiralWidthEdit);
        p.spacing = number(nsSpacingEdit);
        p.bridgeWidth = number(nsBridgeWidthEdit);
        break;
    case 2:
        p.shape = SpiralShape::RoundDifferential;
        p.turns = rsdTurnsSpinBox->value();
        p.radius = number(rsdRadiusEdit);
        p.spiralWidth = number(rsdSpiralWidthEdit);
        p.spacing = number(rsdSpacingEdit);
        p.bridgeWidth = number(rsdBridgeWidthEdit);
        p.feedSpacingAuto = ticked(rsdFeedAutoCheckBox);
        p.feedSpacing = number(rsdFeedSpacingEdit);
        p.centerTap = ticked(rsdCenterTapCheckBox);
        break;
    case 3:
        p.shape = SpiralShape::NSidedDifferential;
        p.turns = nsdTurnsSpinBox->value();
        p.sides = nsdSidesSpinBox->value();
        p.radius = number(nsdRadiusEdit);
        p.spiralWidth = number(nsdSpiralWidthEdit);
        p.spacing = number(nsdSpacingEdit);
        p.bridgeWidth = number(nsdBridgeWidthEdit);
        p.feedSpacingAuto = ticked(nsdFeedAutoCheckBox);
        p.feedSpacing = number(nsdFeedSpacingEdit);
        p.centerTap = ticked(nsdCenterTapCheckBox);
        break;
    default:
        break;
    }
    return p;
}

void MainWindow::showEstimate(SpiralShape shape)
{
    const SpiralParameters parameters = tabParameters(static_cast<int>(shape));
    const EstimateTexts texts =
        estimateTexts(parameters, techTemplate.get(), layerSetup, functionSetup);
    InductanceLabel->setText(texts.inductance);
    SizeXLabel->setText(texts.size);
    if (shape == SpiralShape::NSidedDifferential)
        nsdMinRadiusLabel->setText(texts.minRadius);
    requestGeometryInductance(parameters);
}

void MainWindow::requestGeometryInductance(const SpiralParameters &parameters)
{
    ++geometryGeneration;
    waitingGeometry.reset();
    if (!techTemplate) {
        GeometryLabel->setText(geometryInductanceText({}, 1, QString()));
        GeometryLabel->setToolTip(tr("No value: no technology template is loaded."));
        return;
    }
    GeometryRequest request;
    request.generation = geometryGeneration;
    request.parameters = parameters;
    request.document = *techTemplate;
    // Only the technology counts; the geometry of a past create would just be copied along.
    request.document.geometry.clearGeometry();
    request.layerSetup = layerSetup;
    request.functionSetup = functionSetup;
    request.unitText = inductanceUnitComboBox->currentText();
    request.inductanceScale =
        1.0 / HenriesPerInductanceUnit(techTemplate->dimension.inductanceUnit);
    if (geometryBusy)
        waitingGeometry = std::move(request);
    else
        startGeometryInductance(request);
}

void MainWindow::startGeometryInductance(const GeometryRequest &request)
{
    geometryBusy = true;
    runningGeometry = request;
    auto promise = std::make_shared<QPromise<GeometryInductance>>();
    geometryWatcher.setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, request] {
        promise->start();
        promise->addResult(geometryInductance(request.parameters, request.document,
                                              request.layerSetup, request.functionSetup));
        promise->finish();
    });
}

void MainWindow::geometryInductanceFinished()
{
    geometryBusy = false;
    const QFuture<GeometryInductance> future = geometryWatcher.future();
    if (runningGeometry.generation == geometryGeneration && future.resultCount() > 0) {
        const GeometryInductance result = future.result();
        GeometryLabel->setText(geometryInductanceText(result, runningGeometry.inductanceScale,
                                                      runningGeometry.unitText));
        GeometryLabel->setToolTip(geometryInductanceToolTip(result));
    }
    if (waitingGeometry) {
        const GeometryRequest next = std::move(*waitingGeometry);
        waitingGeometry.reset();
        startGeometryInductance(next);
    }
}

void MainWindow::UpdateEstimate()
{
    UpdatePreview();
    switch (tabWidget->currentIndex()) {
    case 0:
        rsUpdateEstimate();
        break;
    case 1:
        nsUpdateEstimate();
        break;
    case 2:
        rsdUpdateEstimate();
        break;
    case 3:
        nsdUpdateEstimate();
        break;
    default:
        break;
    }
}

void MainWindow::ChangeShapeTab(int)
{
    UpdateEstimate();
}

void MainWindow::rsUpdateEstimate()
{
    showEstimate(SpiralShape::Round);
}

void MainWindow::nsUpdateEstimate()
{
    showEstimate(SpiralShape::NSided);
}

void MainWindow::rsdUpdateEstimate()
{
    showEstimate(SpiralShape::RoundDifferential);
}

void MainWindow::nsdUpdateEstimate()
{
    showEstimate(SpiralShape::NSidedDifferential);
}

void MainWindow::UpdateNsdFeedEdit()
{
    nsdFeedSpacingEdit->setEnabled(!ticked(nsdFeedAutoCheckBox));
}

void MainWindow::UpdateRsdFeedEdit()
{
    rsdFeedSpacingEdit->setEnabled(!ticked(rsdFeedAutoCheckBox));
}

void MainWindow::UpdateRsdCenterTapEdit()
{
    rsdBridgeWidthEdit->setEnabled(ticked(rsdCenterTapCheckBox));
}

void MainWindow::UpdateNsdCenterTapEdit()
{
    nsdBridgeWidthEdit->setEnabled(ticked(nsdCenterTapCheckBox));
}

// --- Create -----------------------------------------------------------------------------

void MainWindow::CreateSpiralButtonClicked()
{
    CreateSpiral(tabWidget->currentIndex());
}

void MainWindow::CreateSpiral(int tabIndex)
{
    if (tabIndex < 0 || tabIndex > 3)
        return;
    const QString title = windowTitle();
    const SpiralParameters parameters = tabParameters(tabIndex);
    const QString unit = lengthUnitComboBox->currentText();
    // Without a template only the rules that need no geometry can speak.
    const QList<DesignFinding> findings =
        techTemplate
            ? reviewDesign(techTemplate.get(), parameters, layerSetup, functionSetup, unit).findings
            : checkDesign(ProjectDocument(), parameters, functionSetup, unit);
    if (!confirmLayout(prompts, this, findings, outOfRangeFields(tabIndex), tr("Create anyway?")))
        return;

    projectFileName = withProjectSuffix(prompts.saveFileName(
        this, tr("Create Simulation File"), projectFileName, sonnetFilter, sonnetSuffix));
    if (projectFileName.isEmpty() || !techTemplate)
        return;

    QString reason;
    if (createSpiralProject(*techTemplate, parameters, layerSetup, functionSetup, xgeomStaircase,
                            projectFileName, &reason) != 0) {
        prompts.critical(this, title,
                         tr("Error creating sonnet project\n") + projectFileName +
                             QStringLiteral("\n") + reason + QStringLiteral("\n"));
        return;
    }
    // Written anyway: the user chose these levels, and may well mean it.
    for (const DesignFinding &finding : findings) {
        if (finding.code == FindingCode::largeLayout)
            statusBar()->showMessage(finding.message);
    }
    if (xgeomStart)
        launchXgeom();
    else
        reportCreated();
}

void MainWindow::ExportLayout()
{
    const int tab = tabWidget->currentIndex();
    LayoutExportFlow(prompts, this)
        .run(techTemplate.get(), tabParameters(tab), layerSetup, functionSetup,
             lengthUnitComboBox->currentText(), outOfRangeFields(tab));
}

QStringList MainWindow::outOfRangeFields(int tabIndex) const
{
    QStringList names;
    for (const LengthField &field : lengthFields(tabIndex)) {
        // A disabled field's value takes no part in the layout.
        if (field.edit->isEnabled() && !field.edit->hasAcceptableInput())
            names.append(field.name);
    }
    return names;
}

void MainWindow::reportCreated()
{
    prompts.information(this, windowTitle(),
                        tr("Spiral created at\n") + projectFileName + QStringLiteral("\n"));
}

QString MainWindow::xgeomFirstUseQuestion()
{
    return tr("Launch xGeom automatically on create?\n\nIf YES, please specify the location of "
              "the xGeom executable in the following dialog.\nOn Windows, xGeom is typically "
              "found under something like\n\"c:\\program files\\sonnet.10.5\\bin\\xgeom.exe\","
              "\ndepending on your Sonnet version and installation.\n\n(You can always change "
              "this setting later through the Options|Setup menu.)");
}

void MainWindow::launchXgeom()
{
    if (!QFileInfo(xgeomPath).isFile()) {
        if (!xgeomPath.isEmpty())
            prompts.critical(
                this, windowTitle(),
                tr("XGeom executable not found.\nPlease specify xGeom executable location\n"));
        else if (prompts.question(this, windowTitle(), xgeomFirstUseQuestion()) != QMessageBox::Yes)
            xgeomStart = false;
        if (xgeomStart) {
            const QString chosen = prompts.openFileName(this, tr("xGeom executable"), xgeomPath,
                                                        SetupDialog::executableFilter());
            if (!chosen.isEmpty())
                xgeomPath = chosen;
        }
    }
    if (!QFileInfo(xgeomPath).isFile()) {
        reportCreated();
        return;
    }
    // The editor runs on its own; the path is its only argument, passed without a shell.
    if (!QProcess::startDetached(xgeomPath, {projectFileName})) {
        prompts.critical(this, windowTitle(),
                         tr("Error starting xGeom\n") + xgeomPath + QStringLiteral("\n"));
        reportCreated();
    }
}

// --- Preview ----------------------------------------------------------------------------

// The form moves into a splitter with the preview on its right; View > Preview shows and hides
// the preview, and the status bar takes the findings while it is hidden.
void MainWindow::setUpPreview()
{
    QWidget *form = takeCentralWidget();
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("previewSplitter"));
    preview = new PreviewPanel(splitter);
    splitter->addWidget(form);
    splitter->addWidget(preview);
    splitter->setCollapsible(0, false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    auto *menuView = new QMenu(tr("&View"), this);
    menuView->setObjectName(QStringLiteral("menuView"));
    menuBar()->insertMenu(menu_Help->menuAction(), menuView);
    actionPreview = menuView->addAction(tr("&Preview"));
    actionPreview->setObjectName(QStringLiteral("actionPreview"));
    actionPreview->setCheckable(true);
    actionPreview->setChecked(true);
    actionPreview->setShortcut(QKeySequence(Qt::Key_F8));
    actionPreview->setStatusTip(tr("Show the layout and its design checks beside the form"));
    connect(actionPreview, &QAction::toggled, this, &MainWindow::ShowPreview);

    findingsStatus = new QLabel(this);
    findingsStatus->setObjectName(QStringLiteral("findingsStatusLabel"));
    statusBar()->addWidget(findingsStatus, 1);
    findingsStatus->hide();

    updater = new PreviewUpdater(this);
    connect(updater, &PreviewUpdater::reviewed, this, &MainWindow::showReview);
    // Many changes in one pass of the event loop (a template load, typing) make one request.
    previewTimer.setSingleShot(true);
    previewTimer.setInterval(0);
    connect(&previewTimer, &QTimer::timeout, this, &MainWindow::requestPreview);

    // Beyond what re-runs the estimate: every keystroke in a length field, the check boxes.
    for (int tab = 0; tab < tabWidget->count(); ++tab) {
        for (const LengthField &field : lengthFields(tab))
            connect(field.edit, &QLineEdit::textChanged, this, &MainWindow::UpdatePreview);
    }
    for (QCheckBox *box :
         {rsdFeedAutoCheckBox, rsdCenterTapCheckBox, nsdFeedAutoCheckBox, nsdCenterTapCheckBox})
        connect(box, &QCheckBox::stateChanged, this, &MainWindow::UpdatePreview);
}

void MainWindow::UpdatePreview()
{
    previewTimer.start();
}

void MainWindow::requestPreview()
{
    PreviewRequest request;
    if (techTemplate)
        request.templateDocument = *techTemplate;
    request.parameters = tabParameters(tabWidget->currentIndex());
    request.layerSetup = layerSetup;
    request.functionSetup = functionSetup;
    request.lengthUnit = lengthUnitComboBox->currentText();
    updater->request(std::move(request));
}

void MainWindow::showReview(std::shared_ptr<const DesignReview> review)
{
    currentReview = review;
    preview->setReview(std::move(review));
    updateFindingsStatus();
}

void MainWindow::ShowPreview(bool visible)
{
    if (actionPreview->isChecked() != visible)
        actionPreview->setChecked(visible); // comes back here through toggled
    preview->setVisible(visible);
    updateFindingsStatus();
}

void MainWindow::updateFindingsStatus()
{
    const QString summary = currentReview ? findingsSummary(currentReview->findings) : QString();
    findingsStatus->setText(summary);
    findingsStatus->setToolTip(summary);
    findingsStatus->setVisible(!actionPreview->isChecked() && !summary.isEmpty());
}

// --- Dialogs and settings ---------------------------------------------------------------

void MainWindow::optionsSetup()
{
    SetupDialog dialog(xgeomPath, xgeomStart, xgeomStaircase, prompts, this);
    if (prompts.exec(dialog) != QDialog::Accepted)
        return;
    xgeomPath = dialog.xgeomPathEdit->text();
    xgeomStart = ticked(dialog.xgeomStartCheckBox);
    xgeomStaircase = ticked(dialog.StaircaseCheckBox);
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
    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    const AppSettings settings = AppSettings::read(store);

    const PreviewSettings previewSettings = PreviewSettings::read(store);
    // No screen is this large; a larger stored size is damage, also where no screen is known.
    constexpr int largestSide = 16384;
    QSize size = settings.window.size.boundedTo({largestSide, largestSide});
    // The first start with the preview widens a window stored without it.
    if (previewSettings.visible && previewSettings.splitterState.isEmpty())
        size.setWidth(std::min(largestSide, size.width() + preview->sizeHint().width()));
    if (const QRect area = availableAreaAt(settings.window.pos); area.isValid()) {
        const QRect placed = placeWithinArea(settings.window.pos, size, minimumSizeHint(), area);
        resize(placed.size());
        move(placed.topLeft());
    } else {
        resize(size.expandedTo(minimumSizeHint()));
        move(settings.window.pos);
    }
    if (!splitter->restoreState(previewSettings.splitterState))
        splitter->setSizes({width() - preview->sizeHint().width(), preview->sizeHint().width()});
    ShowPreview(previewSettings.visible);
    xgeomPath = settings.window.xgeomPath;
    xgeomStart = settings.window.xgeomStart;
    xgeomStaircase = settings.window.xgeomStaircase;
    recentTemplates = settings.base.recentTemplates;
    updateRecentTemplatesMenu();

    LoadTechTemplate(settings.base.sonTemplate);
    setStoredIndex(lengthUnitComboBox, settings.base.lengthIndex);
    setStoredIndex(inductanceUnitComboBox, settings.base.inductanceIndex);
    tabWidget->setCurrentIndex(settings.base.spiralType);

    const SingleEndedSettings &round = settings.round;
    rsTurnsDoubleSpinBox->setValue(round.turns);
    rsSpiralWidthEdit->setText(round.spiralWidth);
    rsSpacingEdit->setText(round.spacing);
    rsRadiusEdit->setText(round.radius);
    rsBridgeWidthEdit->setText(round.bridgeWidth);

    const SingleEndedSettings &nSided = settings.nSided;
    nsSidesSpinBox->setValue(nSided.sides);
    nsTurnsDoubleSpinBox->setValue(nSided.turns);
    nsSpiralWidthEdit->setText(nSided.spiralWidth);
    nsSpacingEdit->setText(nSided.spacing);
    nsRadiusEdit->setText(nSided.radius);
    nsBridgeWidthEdit->setText(nSided.bridgeWidth);

    const DifferentialSettings &roundDiff = settings.roundDiff;
    rsdTurnsSpinBox->setValue(roundDiff.turns);
    rsdSpiralWidthEdit->setText(roundDiff.spiralWidth);
    rsdSpacingEdit->setText(roundDiff.spacing);
    rsdRadiusEdit->setText(roundDiff.radius);
    rsdBridgeWidthEdit->setText(roundDiff.bridgeWidth);
    rsdFeedSpacingEdit->setText(roundDiff.feedSpacing);
    rsdFeedAutoCheckBox->setChecked(roundDiff.feedSpacingAuto != 0);
    rsdCenterTapCheckBox->setChecked(roundDiff.centerTap != 0);
    UpdateRsdFeedEdit();
    UpdateRsdCenterTapEdit();

    const DifferentialSettings &nSidedDiff = settings.nSidedDiff;
    nsdTurnsSpinBox->setValue(nSidedDiff.turns);
    nsdSidesSpinBox->setValue(nSidedDiff.sides);
    nsdSpiralWidthEdit->setText(nSidedDiff.spiralWidth);
    nsdSpacingEdit->setText(nSidedDiff.spacing);
    nsdRadiusEdit->setText(nSidedDiff.radius);
    nsdBridgeWidthEdit->setText(nSidedDiff.bridgeWidth);
    nsdFeedSpacingEdit->setText(nSidedDiff.feedSpacing);
    nsdFeedAutoCheckBox->setChecked(nSidedDiff.feedSpacingAuto != 0);
    nsdCenterTapCheckBox->setChecked(nSidedDiff.centerTap != 0);
    UpdateNsdFeedEdit();
    UpdateNsdCenterTapEdit();
}

void MainWindow::SaveSettings()
{
    AppSettings settings;
    settings.window = {pos(), size(), xgeomPath, xgeomStart, xgeomStaircase};
    settings.base = {TechTemplateFileEdit->text(), lengthUnitComboBox->currentIndex(),
                     inductanceUnitComboBox->currentIndex(), tabWidget->currentIndex(),
                     recentTemplates};

    settings.round.turns = rsTurnsDoubleSpinBox->value();
    settings.round.spiralWidth = rsSpiralWidthEdit->text();
    settings.round.spacing = rsSpacingEdit->text();
    settings.round.radius = rsRadiusEdit->text();
    settings.round.bridgeWidth = rsBridgeWidthEdit->text();

    settings.nSided.sides = nsSidesSpinBox->value();
    settings.nSided.turns = nsTurnsDoubleSpinBox->value();
    settings.nSided.spiralWidth = nsSpiralWidthEdit->text();
    settings.nSided.spacing = nsSpacingEdit->text();
    settings.nSided.radius = nsRadiusEdit->text();
    settings.nSided.bridgeWidth = nsBridgeWidthEdit->text();

    settings.roundDiff.turns = rsdTurnsSpinBox->value();
    settings.roundDiff.spiralWidth = rsdSpiralWidthEdit->text();
    settings.roundDiff.spacing = rsdSpacingEdit->text();
    settings.roundDiff.radius = rsdRadiusEdit->text();
    settings.roundDiff.bridgeWidth = rsdBridgeWidthEdit->text();
    settings.roundDiff.feedSpacing = rsdFeedSpacingEdit->text();
    settings.roundDiff.feedSpacingAuto = rsdFeedAutoCheckBox->checkState();
    settings.roundDiff.centerTap = rsdCenterTapCheckBox->checkState();

    settings.nSidedDiff.turns = nsdTurnsSpinBox->value();
    settings.nSidedDiff.sides = nsdSidesSpinBox->value();
    settings.nSidedDiff.spiralWidth = nsdSpiralWidthEdit->text();
    settings.nSidedDiff.spacing = nsdSpacingEdit->text();
    settings.nSidedDiff.radius = nsdRadiusEdit->text();
    settings.nSidedDiff.bridgeWidth = nsdBridgeWidthEdit->text();
    settings.nSidedDiff.feedSpacing = nsdFeedSpacingEdit->text();
    settings.nSidedDiff.feedSpacingAuto = nsdFeedAutoCheckBox->checkState();
    settings.nSidedDiff.centerTap = nsdCenterTapCheckBox->checkState();

    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    settings.write(store);
    PreviewSettings{actionPreview->isChecked(), splitter->saveState()}.write(store);
}
