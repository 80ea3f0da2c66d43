#pragma once

#include "core/design/templatesession.h"
#include "gui/window/createflow.h"
#include "gui/window/tabdesign.h"

#include <QMainWindow>

#include <array>
#include <memory>

namespace Ui {
class MainWindow;
}

class OutputPanel;
class PreviewDock;
class QComboBox;
class ShapeTabForm;
class StatusHint;
class TargetInductanceFlow;
class TemplateFlow;
class UserPrompts;

// The single window: the form with its four shape tabs, the template in use, the units, the
// live estimate and preview, and the create and export commands.
class MainWindow : public QMainWindow, private TabDesignSource
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Every message box, file dialog and modal dialog goes through `prompts`.
    explicit MainWindow(UserPrompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

    // 0 when the file is now the template in use, 1 when it cannot serve (the one in use stays).
    int LoadTechTemplate(const QString &fileName);
    void CreateSpiral(int tabIndex);
    void LoadSettings();
    void SaveSettings();

    // The parameters the form gives for a shape tab.
    torvane::SpiralParameters tabParameters(int tabIndex) const;
    const torvane::TemplateSession &session() const { return templateSession; }
    const CreateFlow &createFlow() const { return creating; }
    PreviewDock &preview() const { return *previewDock; }
    const OutputPanel &output() const { return *outputPanel; }
    TargetInductanceFlow *targetInductanceFlow() const { return targetFlow; }

    static QString firstStartHint();

public slots:
    void OpenTechButtonClicked();
    void ViewTechButtonClicked();
    void optionsSetup();
    int helpAbout();
    void CreateSpiralButtonClicked();
    void UpdateEstimate();
    void ChangeShapeTab(int index);
    void UpdateLengthUnits(int index);
    void UpdateInductanceUnits(int index);
    void OpenExampleTemplate();
    // File > Export Layout ...: the current tab's spiral as a GDSII or DXF layout.
    void ExportLayout();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TabDesign tabDesign(int tabIndex) const override;
    void setUpForm();
    void connectForm();
    void templateChanged();
    // Moves the selectors to the template's units; the document takes their texts where the
    // file names no unit or names it only loosely.
    void selectTemplateUnits();
    void placeWindow(const QPoint &pos, const QSize &storedSize, bool previewVisible,
                     const QByteArray &splitterState);

    std::unique_ptr<Ui::MainWindow> ui;
    UserPrompts &prompts;
    torvane::TemplateSession templateSession;
    CreateFlow creating;
    std::array<ShapeTabForm *, 4> tabs{}; // children of the window
    TemplateFlow *templates = nullptr;
    StatusHint *hint = nullptr;
    OutputPanel *outputPanel = nullptr;
    PreviewDock *previewDock = nullptr;
    TargetInductanceFlow *targetFlow = nullptr;
};
