// The main window: owns every component of the instrument, registers them
// with the scope model in the order in which notifications are to reach
// them, lays the front panel out,
// carries the menu and the title, and turns menu commands into
// notifications and dialogs.
#pragma once

#include "model/ScopeListenerVexaRM.h"

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <memory>

class QAction;

namespace vexa {

class IOperatorDialogs;
class TArmControlsVexaRM;
class TChannelControlsVexaRM;
class TDataSourceModuleVexaRM;
class TDensityControlsVexaRM;
class TFlowManagerVexaRM;
class TFrontPanelVexaRM;
class THandoverWakeVexaRM;
class TInformationPanelAVexaRM;
class TInformationPanelBVexaRM;
class TMainThreadHandoverVexaRM;
class TMeasurementRecordControlsVexaRM;
class TModeDisplayVexaRM;
class TOpenSaveControlsVexaRM;
class TOperatorDialogsVexaRM;
class TQtSaveFileDialogVexaRM;
class TRollScreenEKGVexaRM;
class TRollScreenShiftVexaRM;
class TSettingsVexaRM;
class TSourceControlsVexaRM;
class TSweepControlsVexaRM;
class TTimeBaseControlsVexaRM;
class TTriggerControlsVexaRM;
class TVerticalShiftsVexaRM;
class TVirtualDriverVexaRM;
class TVirtualScopeVexaRM;

class TMainForm : public QMainWindow, public IScopeListenerVexaRM {
    Q_OBJECT
public:
    // Creates and loads every component; the scope model's listeners are
    // registered once this returns (the main window last, group 13).
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The window title for the virtual driver's demo flag and the device
    // type of the scope's description.
    static QString TitleText(bool demoMode, int32_t deviceType);
    // The class name under which the single-instance search knows us.
    static QString WindowClassName() { return QStringLiteral("TMainForm"); }
    // The operator's help page, relative to the working folder.
    static QString HelpPage() { return QStringLiteral("Help/help.htm"); }

    // The window's size at design, and the smallest size it keeps where the
    // screen allows.
    static constexpr QSize kDesignSize{824, 600};
    static constexpr QSize kMinimumSize{800, 600};
    // Where the window goes on a screen: its geometry (the frame around it
    // not included) and its minimum size.
    struct TScreenFit {
        QRect Geometry;
        QSize MinimumSize;
    };
    // available: the screen's free area; frame: the window frame's widths
    // around the window; needed: the size below which the front panel
    // cannot show everything. The window keeps the design size where it
    // fits and is made smaller, down to needed, where it does not; it lies
    // centred in the free area, never above or left of it.
    static TScreenFit FitToScreen(const QSize &design, const QSize &minimum, const QSize &needed,
                                  const QRect &available, const QMargins &frame);

    TVirtualScopeVexaRM &VirtualScope() { return *FScope; }
    TVirtualDriverVexaRM &VirtualDriver() { return *FDriver; }
    TFlowManagerVexaRM &FlowManager() { return *FFlowManager; }
    TSettingsVexaRM &Settings() { return *FSettings; }
    TFrontPanelVexaRM *FrontPanel() const { return FPanel; }
    TRollScreenShiftVexaRM *RollScreen() const { return FRollScreen; }
    TRollScreenEKGVexaRM *EKGScreen() const { return FEKGScreen; }
    TMainThreadHandoverVexaRM &MainThreadHandover() { return *FHandover; }
    TDataSourceModuleVexaRM &DataSource() { return *FDataSource; }

    // Who answers the window's own questions and the core's messages (the
    // message boxes by default; tests put a script in).
    IOperatorDialogs *Dialogs() const { return FAsk; }
    void SetDialogs(IOperatorDialogs *dialogs);
    // The tool-tip switch of the application (ShowComixHelp applied).
    bool ShowHints() const { return FShowHints; }
    // True once the window is closing: no more layout notifications.
    bool Terminating() const { return FTerminating; }

    QAction *ToolTipAction() const { return FToolTipAction; }
    QAction *HighPriorityAction() const { return FHighPriorityAction; }

    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;

public slots:
    // Menu commands.
    void MenuViewer();
    void MenuExit();
    void MenuRestoreDefaults();
    void MenuLoadSettings();
    void MenuSaveSettings();
    void MenuDemoSetup();
    void MenuColorSetup();
    void MenuToolTipHelp();
    void MenuHighPriority();
    void MenuHelpIndex();
    void MenuWeb();
    void MenuSupport();
    void MenuAbout();
    // A second start asked for us: restore and come to the front.
    void Activate();

signals:
    void TitleChanged(const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateComponents();
    void ApplyStoredValues();
    void AssignReferences();
    void CreateMenus();
    void OnCreate();
    // The title and the panel's demo marks, from the virtual driver's state.
    void RecomputeTitle();
    void OnLaidOut();
    // Stops a running measurement and waits (at most kEndBeforeLoadMs) until
    // the flow has written everything up to its stop record.
    void EndMeasurementBeforeLoad();
    static constexpr int kEndBeforeLoadMs = 3000;
    // Places the window on its screen for the given frame widths.
    void Fit(const QMargins &frame);
    // Once the window is shown its frame is known: moved or made smaller
    // when the frame sticks out of the screen's free area.
    void RefitWithFrame();

    // Main-thread hand-over for the worker threads and its event-loop hook.
    std::unique_ptr<TMainThreadHandoverVexaRM> FHandover;
    std::unique_ptr<THandoverWakeVexaRM> FWake;
    std::unique_ptr<TOperatorDialogsVexaRM> FOwnDialogs;
    IOperatorDialogs *FAsk = nullptr;
    std::unique_ptr<TVirtualScopeVexaRM> FScope;
    std::unique_ptr<TVirtualDriverVexaRM> FDriver;
    std::unique_ptr<TDataSourceModuleVexaRM> FDataSource;
    std::unique_ptr<TFlowManagerVexaRM> FFlowManager;
    std::unique_ptr<TSettingsVexaRM> FSettings;
    std::unique_ptr<TQtSaveFileDialogVexaRM> FSaveDialog;
    std::unique_ptr<TVerticalShiftsVexaRM> FVerticalShifts;
    std::unique_ptr<TSourceControlsVexaRM> FSourceControls;
    std::unique_ptr<TDensityControlsVexaRM> FDensityControls;
    std::unique_ptr<TInformationPanelBVexaRM> FInformationPanelB;
    std::unique_ptr<TInformationPanelAVexaRM> FInformationPanelA;
    std::unique_ptr<TChannelControlsVexaRM> FChannelControls;
    std::unique_ptr<TTriggerControlsVexaRM> FTriggerControls;
    std::unique_ptr<TOpenSaveControlsVexaRM> FOpenSaveControls;
    std::unique_ptr<TMeasurementRecordControlsVexaRM> FMeasurementRecordControls;
    std::unique_ptr<TModeDisplayVexaRM> FModeDisplay;
    std::unique_ptr<TSweepControlsVexaRM> FSweepControls;
    std::unique_ptr<TTimeBaseControlsVexaRM> FTimeBaseControls;
    std::unique_ptr<TArmControlsVexaRM> FArmControls;

    TFrontPanelVexaRM *FPanel = nullptr;
    TRollScreenShiftVexaRM *FRollScreen = nullptr;
    TRollScreenEKGVexaRM *FEKGScreen = nullptr;
    // The model this window listens to; null after Detach.
    TVirtualScopeVexaRM *FListenScope = nullptr;
    bool FShowHints = true;
    bool FTerminating = false;
    bool FStopped = false;
    bool FShownOnce = false;
    QAction *FToolTipAction = nullptr;
    QAction *FHighPriorityAction = nullptr;
};

} // namespace vexa
