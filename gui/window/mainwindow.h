#pragma once

#include "core/checks/designreview.h"
#include "core/inductance/geometryinductance.h"
#include "core/template/createspiral.h"
#include "ui_mainwindow.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class PreviewPanel;
class PreviewUpdater;
class QLineEdit;
class QSplitter;
class TargetInductanceFlow;
class UserPrompts;

// The single window: form, loaded template, per-level roles and the xGeom options.
class MainWindow : public QMainWindow, public Ui::MainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Every message box, file dialog and modal dialog goes through `prompts`.
    explicit MainWindow(UserPrompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

    // 0 when the template was read, 1 when it could not be opened (no template then).
    int LoadTechTemplate(const QString &fileName);
    // Both annotation lines, then the save; returns the save status and, on failure, the reason.
    int SaveWithLayerSetup(const QString &fileName, QString *errorText = nullptr);
    void CreateSpiral(int tabIndex);
    void LoadSettings();
    void SaveSettings();

    // The parameters the current form gives for a shape tab.
    SpiralParameters tabParameters(int tabIndex) const;

    const ProjectDocument *templateDocument() const { return techTemplate.get(); }
    const QStringList &levelMetalNames() const { return layerSetup; }
    const QStringList &levelRoles() const { return functionSetup; }
    const QString &lastProjectFileName() const { return projectFileName; }
    const QString &xgeomExecutable() const { return xgeomPath; }
    const QStringList &recentTemplateFiles() const { return recentTemplates; }
    bool launchesXgeom() const { return xgeomStart; }
    bool usesStaircaseFill() const { return xgeomStaircase; }

    // The live preview and its place; the review it shows (none before the first one is done).
    PreviewPanel *previewPanel() const { return preview; }
    QSplitter *previewSplitter() const { return splitter; }
    QAction *previewAction() const { return actionPreview; }
    QLabel *findingsStatusLabel() const { return findingsStatus; }
    const DesignReview *shownReview() const { return currentReview.get(); }
    PreviewUpdater *previewUpdater() const { return updater; }
    TargetInductanceFlow *targetInductanceFlow() const { return targetFlow; }

    static QString firstStartHint();
    static QString xgeomFirstUseQuestion();

public slots:
    void OpenTechButtonClicked();
    void ViewTechButtonClicked();
    void optionsSetup();
    int helpAbout();
    void CreateSpiralButtonClicked();
    void UpdateEstimate();
    void rsUpdateEstimate();
    void nsUpdateEstimate();
    void rsdUpdateEstimate();
    void nsdUpdateEstimate();
    void UpdateNsdFeedEdit();
    void UpdateRsdFeedEdit();
    void UpdateRsdCenterTapEdit();
    void UpdateNsdCenterTapEdit();
    void ChangeShapeTab(int index);
    void UpdateLengthUnits(int index);
    void UpdateInductanceUnits(int index);
    void OpenExampleTemplate();
    void OpenRecentTemplate(const QString &fileName);
    // File > Export Layout ...: the current tab's spiral as a GDSII or DXF layout.
    void ExportLayout();
    // Lays out and checks the current tab again for the preview, once the events now waiting
    // (more typing, say) are handled.
    void UpdatePreview();
    void ShowPreview(bool visible);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // A length field of a shape tab and the name the out-of-range question gives it.
    struct LengthField
    {
        QLineEdit *edit;
        QString name;
    };

    void connectForm();
    void installValidators();
    // In the order of the tab's rows.
    QList<LengthField> lengthFields(int tabIndex) const;
    void showEstimate(SpiralShape shape);
    // Moves the selectors to the template's units; the document takes their texts where the
    // file names no unit or names it only loosely.
    void selectTemplateUnits();
    // Moves the combo box to the template's unit; returns without change when none fits.
    static void selectUnit(QComboBox *comboBox, const QString &unitName);
    // The geometry inductance runs off the GUI thread, one computation at a time: a request
    // made meanwhile waits, replacing any older waiting one, and a result that a newer request
    // has overtaken is dropped.
    struct GeometryRequest
    {
        int generation = 0;
        SpiralParameters parameters;
        ProjectDocument document;
        QStringList layerSetup;
        QStringList functionSetup;
        QString unitText;
        double inductanceScale = 1;
    };
    void requestGeometryInductance(const SpiralParameters &parameters);
    void startGeometryInductance(const GeometryRequest &request);
    void geometryInductanceFinished();
    void reportReadError();
    // The names of the tab's enabled fields whose values their validators do not accept.
    QStringList outOfRangeFields(int tabIndex) const;
    void setUpPreview();
    void requestPreview();
    void showReview(std::shared_ptr<const DesignReview> review);
    void updateFindingsStatus();
    void reportCreated();
    void launchXgeom();
    void rememberTemplate(const QString &fileName);
    void updateRecentTemplatesMenu();

    UserPrompts &prompts;
    QString projectFileName;
    QStringList layerSetup;
    QStringList functionSetup;
    QString xgeomPath;
    bool xgeomStart = true;
    bool xgeomStaircase = false;
    QStringList recentTemplates;
    QList<QAction *> recentTemplateActions; // owned by the File menu
    std::unique_ptr<ProjectDocument> techTemplate;
    // Why the last template load refused a file that could be read; empty otherwise.
    QString templateProblem;
    QFutureWatcher<GeometryInductance> geometryWatcher;
    int geometryGeneration = 0;
    bool geometryBusy = false;
    GeometryRequest runningGeometry;
    std::optional<GeometryRequest> waitingGeometry;
    QSplitter *splitter = nullptr; // the central widget: the form, then the preview
    PreviewPanel *preview = nullptr;
    QAction *actionPreview = nullptr;
    QLabel *findingsStatus = nullptr; // the findings while the preview is hidden
    PreviewUpdater *updater = nullptr;
    TargetInductanceFlow *targetFlow = nullptr; // a child of the window
    QTimer previewTimer;
    std::shared_ptr<const DesignReview> currentReview;
};
