#include "MainForm.h"

#include "AboutForm.h"
#include "CaptionLabelVexaRM.h"
#include "LampShapeVexaRM.h"
#include "panel/ArmControlsVexaRM.h"
#include "panel/ChannelControlsVexaRM.h"
#include "panel/ConvertErrorVexa.h"
#include "flow/DataSourceModuleVexaRM.h"
#include "DemoSetupForm.h"
#include "panel/DensityControlsVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "FrontPanelVexaRM.h"
#include "HandoverWakeVexaRM.h"
#include "panel/InformationPanelAVexaRM.h"
#include "panel/InformationPanelBVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "panel/MeasurementRecordControlsVexaRM.h"
#include "panel/ModeDisplayVexaRM.h"
#include "panel/OpenSaveControlsVexaRM.h"
#include "OperatorDialogsVexaRM.h"
#include "ProgramVersionVexaRM.h"
#include "panel/QtSaveFileDialogVexaRM.h"
#include "display/RollScreenEKGVexaRM.h"
#include "display/RollScreenShiftVexaRM.h"
#include "SetColorForm.h"
#include "model/SettingsVexaRM.h"
#include "panel/SourceControlsVexaRM.h"
#include "panel/SweepControlsVexaRM.h"
#include "panel/TimeBaseControlsVexaRM.h"
#include "panel/TriggerControlsVexaRM.h"
#include "panel/VerticalShiftsVexaRM.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"
#include "WorkingFolderVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

#include <algorithm>
#include <clocale>

namespace vexa {

namespace {

// A dynamic property: widgets that show their tool tip even while tool
// tips are switched off.
const char kAlwaysHint[] = "vexaAlwaysHint";

} // namespace

QString TMainForm::TitleText(bool demoMode, int32_t deviceType) {
    if (demoMode) return QStringLiteral("ZovuDori VexaX      <-RUNNING IN DEMO MODE->");
    // Six variants are known; an unknown type is shown as the first one, so
    // that a second start still finds this window.
    int digit = (deviceType >= 0 && deviceType <= 5) ? deviceType + 1 : 1;
    return QStringLiteral("ZovuDori Vexa") + QString::number(digit);
}

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Roll Mode"));
    CreateComponents();
    ApplyStoredValues();
    AssignReferences();
    CreateMenus();
    OnCreate();

    Fit(QMargins());
}

TMainForm::TScreenFit TMainForm::FitToScreen(const QSize &design, const QSize &minimum,
                                             const QSize &needed, const QRect &available,
                                             const QMargins &frame) {
    const QSize room = available.size().shrunkBy(frame);
    TScreenFit fit;
    fit.MinimumSize = minimum.boundedTo(room).expandedTo(needed);
    const QSize size = design.boundedTo(room).expandedTo(fit.MinimumSize);
    const int left = available.left() + frame.left() + std::max(0, room.width() - size.width()) / 2;
    const int top = available.top() + frame.top() + std::max(0, room.height() - size.height()) / 2;
    fit.Geometry = QRect(QPoint(left, top), size);
    return fit;
}

void TMainForm::Fit(const QMargins &frame) {
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), kDesignSize);
    // minimumSizeHint: the front panel's needed size with the menu bar.
    const TScreenFit fit = FitToScreen(kDesignSize, kMinimumSize,
                                       FPanel ? minimumSizeHint() : QSize(), available, frame);
    setMinimumSize(fit.MinimumSize);
    resize(fit.Geometry.size());
    // move() places the frame's corner.
    move(fit.Geometry.topLeft() - QPoint(frame.left(), frame.top()));
}

void TMainForm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (FShownOnce) return;
    FShownOnce = true;
    QMetaObject::invokeMethod(this, &TMainForm::RefitWithFrame, Qt::QueuedConnection);
}

void TMainForm::RefitWithFrame() {
    QScreen *screen = this->screen();
    if (!screen || isMaximized() || isFullScreen()) return;
    if (screen->availableGeometry().contains(frameGeometry())) return;
    const QRect inner = geometry(), outer = frameGeometry();
    Fit(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                 outer.right() - inner.right(), outer.bottom() - inner.bottom()));
}

TMainForm::~TMainForm() {
    FTerminating = true;
    if (!FStopped && FScope->ApplicationInitialized()) {
        FStopped = true;
        FScope->StopApplication();
    }
    qApp->removeEventFilter(this);
    // The displays and widgets go first, while the model they may still be
    // registered with exists.
    FPanel->SetLayoutEnabled(false);
    delete FPanel;
    FPanel = nullptr;
    if (FListenScope) FListenScope->UnregisterListener(this);
}

void TMainForm::CreateComponents() {
    FHandover = std::make_unique<TMainThreadHandoverVexaRM>();
    FWake = std::make_unique<THandoverWakeVexaRM>(*FHandover);
    FOwnDialogs = std::make_unique<TOperatorDialogsVexaRM>(this);
    FAsk = FOwnDialogs.get();
    FScope = std::make_unique<TVirtualScopeVexaRM>();
    FDriver = std::make_unique<TVirtualDriverVexaRM>();
    FDataSource = std::make_unique<TDataSourceModuleVexaRM>();
    FFlowManager = std::make_unique<TFlowManagerVexaRM>();
    FSettings = std::make_unique<TSettingsVexaRM>();
    FSaveDialog = std::make_unique<TQtSaveFileDialogVexaRM>(this);

    FPanel = new TFrontPanelVexaRM(this);
    setCentralWidget(FPanel);
    FRollScreen = new TRollScreenShiftVexaRM(FPanel);
    FEKGScreen = new TRollScreenEKGVexaRM(FPanel);
    FPanel->SetDisplays(FRollScreen, FEKGScreen);

    FVerticalShifts = std::make_unique<TVerticalShiftsVexaRM>();
    FSourceControls = std::make_unique<TSourceControlsVexaRM>();
    FDensityControls = std::make_unique<TDensityControlsVexaRM>();
    FInformationPanelB = std::make_unique<TInformationPanelBVexaRM>();
    FInformationPanelA = std::make_unique<TInformationPanelAVexaRM>();
    FChannelControls = std::make_unique<TChannelControlsVexaRM>();
    FTriggerControls = std::make_unique<TTriggerControlsVexaRM>();
    FOpenSaveControls = std::make_unique<TOpenSaveControlsVexaRM>();
    FMeasurementRecordControls = std::make_unique<TMeasurementRecordControlsVexaRM>();
    FModeDisplay = std::make_unique<TModeDisplayVexaRM>();
    FSweepControls = std::make_unique<TSweepControlsVexaRM>();
    FTimeBaseControls = std::make_unique<TTimeBaseControlsVexaRM>();
    FArmControls = std::make_unique<TArmControlsVexaRM>();
}

void TMainForm::ApplyStoredValues() {
    // The scope model's stored values, in their stored order.
    FScope->ApplyStoredValues();

    // Every component's own stored values: its control group and flags.
    FRollScreen->SetControlGroup(kGroupRoll);
    FEKGScreen->SetControlGroup(kGroupEKG);
    FVerticalShifts->SetControlGroup(kGroupVerticalShifts);
    FSourceControls->SetControlGroup(kGroupSource);
    FDensityControls->SetControlGroup(kGroupDensity);
    FInformationPanelB->SetControlGroup(kGroupInformation);
    FInformationPanelA->SetControlGroup(kGroupInformation);
    FFlowManager->SetControlGroup(kGroupDataFlow);
    FFlowManager->SetScopeSettingsDirty(false);
    FChannelControls->SetControlGroup(kGroupChannels);
    FTriggerControls->SetControlGroup(kGroupTrigger);
    FOpenSaveControls->SetControlGroup(kGroupOpenSave);
    FMeasurementRecordControls->SetControlGroup(kGroupRecord);
    FSettings->SetControlGroup(kGroupSettings);
    FModeDisplay->SetControlGroup(kGroupMode);
    FSweepControls->SetControlGroup(kGroupSweep);
    FTimeBaseControls->SetControlGroup(kGroupTimeBase);
    FDataSource->SetControlGroup(kGroupDataSource);
    FArmControls->SetControlGroup(kGroupArm);
    FPanel->InactiveDispLabel()->SetShown(false);
}

void TMainForm::AssignReferences() {
    TFrontPanelVexaRM *p = FPanel;
    TVirtualScopeVexaRM *scope = FScope.get();

    // The model's references.
    scope->SetVirtualDriver(FDriver.get());
    scope->SetFileSizeLabel(p->FileSizeLabel());
    scope->SetActualVoltageA(p->ActualVoltageA());
    scope->SetActualVoltageB(p->ActualVoltageB());
    scope->SetDialogs(FAsk);
    // A record file never goes into the settings files or the help page.
    std::vector<std::string> own = TSettingsVexaRM::OwnFileNames();
    own.push_back(HelpPage().toLocal8Bit().toStdString());
    own.push_back(TWorkingFolderVexaRM::ProgramFile(HelpPage()).toLocal8Bit().toStdString());
    scope->SetOwnFiles(std::move(own));
    FDriver->SetDescriptionAddress(scope->DeviceDescription());
    FDriver->SetDialogs(FAsk);
    // The operator's "quit" in a start-up dialog while the program runs
    // closes the window; before the message loop the program start looks
    // at TerminateApplication itself.
    FDriver->SetTerminateHandler(
        [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); });

    // Each component in the stored order of its references; setting the
    // scope registers it as a listener, so this order is the listener order.
    FRollScreen->SetVirtualScope(scope);
    FEKGScreen->SetVirtualScope(scope);

    FVerticalShifts->SetSlideUpButtonA(p->SlideUpButtonA());
    FVerticalShifts->SetSlideUpButtonB(p->SlideUpButtonB());
    FVerticalShifts->SetSlideDownButtonA(p->SlideDownButtonA());
    FVerticalShifts->SetSlideDownButtonB(p->SlideDownButtonB());
    FVerticalShifts->SetVerticalSlideA(p->VerticalSlideA());
    FVerticalShifts->SetVerticalSlideB(p->VerticalSlideB());
    FVerticalShifts->SetTimer(p->Timer1());
    FVerticalShifts->SetVirtualScope(scope);

    FSourceControls->SetACDCButtonA(p->ACDCButtonA());
    FSourceControls->SetACDCButtonB(p->ACDCButtonB());
    FSourceControls->SetProbeButtonA(p->ProbeButtonA());
    FSourceControls->SetProbeButtonB(p->ProbeButtonB());
    FSourceControls->SetGroundA(p->GNDButtonA());
    FSourceControls->SetGroundB(p->GNDButtonB());
    FSourceControls->SetVirtualScope(scope);

    FDensityControls->SetDensityUpButtonA(p->DensityUpButtonA());
    FDensityControls->SetDensityUpButtonB(p->DensityUpButtonB());
    FDensityControls->SetDensityDownButtonA(p->DensityDownButtonA());
    FDensityControls->SetDensityDownButtonB(p->DensityDownButtonB());
    FDensityControls->SetVirtualScope(scope);

    FInformationPanelB->SetChannelB(p->InfoChannelB());
    FInformationPanelB->SetAcdcB(p->InfoAcdcB());
    FInformationPanelB->SetProbeB(p->InfoProbeB());
    FInformationPanelB->SetDensityB(p->DensityValueB());
    FInformationPanelB->SetTriggerLevelVoltageB(p->TriggerVoltageB());
    FInformationPanelB->SetChannelColorB(p->InfoColorB());
    FInformationPanelB->SetFrameCanvasB(p->InfoPanelB());
    FInformationPanelB->SetVirtualScope(scope);

    FInformationPanelA->SetChannelA(p->InfoChannelA());
    FInformationPanelA->SetAcdcA(p->InfoAcdcA());
    FInformationPanelA->SetProbeA(p->InfoProbeA());
    FInformationPanelA->SetDensityA(p->DensityValueA());
    FInformationPanelA->SetTriggerLevelVoltageA(p->TriggerVoltageA());
    FInformationPanelA->SetChannelColorA(p->InfoColoA());
    FInformationPanelA->SetFrameCanvasA(p->InfoPanelA());
    FInformationPanelA->SetVirtualScope(scope);

    FFlowManager->SetDataSourceInstance(FDataSource.get());
    FFlowManager->SetRollScreen(FRollScreen);
    FFlowManager->SetEKGScreen(FEKGScreen);
    FFlowManager->SetLinkToDispInactiveCaption(p->InactiveDispLabel());
    FFlowManager->SetArmLED(p->ArmLED());
    FFlowManager->SetTriggerLED(p->TriggerLED());
    FFlowManager->SetMainThreadHandover(FHandover.get());
    FFlowManager->SetVirtualScope(scope);

    FChannelControls->SetChannelButtonA(p->ChannelButtonA());
    FChannelControls->SetChannelButtonB(p->ChannelButtonB());
    FChannelControls->SetVirtualScope(scope);

    FTriggerControls->SetTriggerSourceA(p->TriggerAButtonVexa1());
    FTriggerControls->SetTriggerSourceB(p->TriggerBButtonVexa1());
    FTriggerControls->SetTrigUnderOverA(p->TriggerAUnderOverButton());
    FTriggerControls->SetTrigUnderOverB(p->TriggerBUnderOverButton());
    FTriggerControls->SetTrigRelation(p->TriggersRelationButton());
    FTriggerControls->SetTriggerLevelEditA(p->TriggerAVoltageValueEditVexa1());
    FTriggerControls->SetTriggerLevelEditB(p->TriggerBVoltageValueEditVexa1());
    FTriggerControls->SetVirtualScope(scope);

    FOpenSaveControls->SetSaveFileEdit(p->SaveFileEdit());
    FOpenSaveControls->SetSaveFileBrowse(p->SaveFileBrowseButton());
    FOpenSaveControls->SetSaveButton(p->SaveButton());
    FOpenSaveControls->SetCLFButton(p->ClearFileButton());
    FOpenSaveControls->SetSaveDialog(FSaveDialog.get());
    FOpenSaveControls->SetVirtualScope(scope);

    FMeasurementRecordControls->SetMeasurementStart(p->StartRecordButtonVexa1());
    FMeasurementRecordControls->SetMeasurementStop(p->StopRecordButtonVexa2());
    FMeasurementRecordControls->SetRecordTriggered(p->TRRecordButtonVexa1());
    FMeasurementRecordControls->SetRecordFree(p->FRRecordButtonVexa1());
    FMeasurementRecordControls->SetRecordDefined(p->DefRecordButtonVexa1());
    FMeasurementRecordControls->SetRecordContinuos(p->ContRecordButtonVexa1());
    FMeasurementRecordControls->SetRecordTimeLength(p->LongerTimeEditVexaRM1());
    FMeasurementRecordControls->SetVirtualScope(scope);

    FSettings->SetVirtualScope(scope);

    FModeDisplay->SetGridButton(p->GridButtonVexa3());
    FModeDisplay->SetDisplayButton(p->DisplayButtonVexa());
    FModeDisplay->SetBeamFinder(p->BeamButton());
    FModeDisplay->SetLineModeDisplay(p->LineButton());
    FModeDisplay->SetEKGModeDisplay(p->RewButtonVexa1());
    FModeDisplay->SetRollModeDisplay(p->RollButtonVexa2());
    FModeDisplay->SetGridScroll(p->GridBrightness());
    FModeDisplay->SetVirtualScope(scope);

    FSweepControls->SetMakeMinimumButton(p->SweepMinimum());
    FSweepControls->SetMakeMaximumButton(p->SweepMaximum());
    FSweepControls->SetMakeAvgButton(p->SweepAverage());
    FSweepControls->SetSingleButton(p->SweepSingleButton());
    FSweepControls->SetCalcButton(p->SweepCalcButton());
    FSweepControls->SetClearScreenButton(p->ClearScreen());
    FSweepControls->SetVirtualScope(scope);

    FTimeBaseControls->SetSMPScrollBar(p->SmpScrollBar());
    FTimeBaseControls->SetDSPScrollBar(p->DSPScrollBar());
    FTimeBaseControls->SetSMPRatio(p->SamplesPerSecond());
    FTimeBaseControls->SetDSPRatio(p->SecondPerDivider());
    FTimeBaseControls->SetDSPRatioHz(p->FreqPerDiv());
    FTimeBaseControls->SetDSP_SMPRatio(p->DSP_SMP());
    FTimeBaseControls->SetVirtualScope(scope);

    FDataSource->SetVirtualScope(scope);

    FArmControls->SetArmSourceA(p->ARMSourceA());
    FArmControls->SetArmSourceB(p->ArmSourceB());
    FArmControls->SetExternalSource(p->ARMSourceE());
    FArmControls->SetTrigUnderOverA(p->ArmUnderA());
    FArmControls->SetTrigUnderOverB(p->ArmUnderB());
    FArmControls->SetTrigUnderOverExternal(p->ArmUnderExternal());
    FArmControls->SetArmLevelEditA(p->ArmVoltageA());
    FArmControls->SetArmLevelEditB(p->ArmVoltageB());
    FArmControls->SetVirtualScope(scope);
}

void TMainForm::CreateMenus() {
    // Every entry has a mnemonic, unique in its menu.
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Viewer"), this, &TMainForm::MenuViewer);
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &TMainForm::MenuExit);

    QMenu *settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    settings->addAction(QStringLiteral("&Restore defaults"), this, &TMainForm::MenuRestoreDefaults);
    settings->addAction(QStringLiteral("&Load saved"), this, &TMainForm::MenuLoadSettings);
    settings->addAction(QStringLiteral("&Save settings"), this, &TMainForm::MenuSaveSettings);
    settings->addSeparator();
    settings->addAction(QStringLiteral("&Demo setup"), this, &TMainForm::MenuDemoSetup);
    settings->addAction(QStringLiteral("&Color setup"), this, &TMainForm::MenuColorSetup);
    FToolTipAction =
        settings->addAction(QStringLiteral("&Tool tip help"), this, &TMainForm::MenuToolTipHelp);
    FToolTipAction->setCheckable(true);
    FHighPriorityAction =
        settings->addAction(QStringLiteral("&High priority"), this, &TMainForm::MenuHighPriority);
    FHighPriorityAction->setCheckable(true);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Index"), this, &TMainForm::MenuHelpIndex);
    help->addSeparator();
    help->addAction(QStringLiteral("Korvel &web"), this, &TMainForm::MenuWeb);
    help->addAction(QStringLiteral("&Support"), this, &TMainForm::MenuSupport);
    help->addSeparator();
    help->addAction(QStringLiteral("&About"), this, &TMainForm::MenuAbout);
}

void TMainForm::OnCreate() {
    // Every number the program writes uses "." as its decimal separator.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    FPanel->SetHints();
    connect(FPanel, &TFrontPanelVexaRM::LaidOut, this, &TMainForm::OnLaidOut);
    qApp->installEventFilter(this);
    FListenScope = FScope.get();
    FScope->RegisterListener(kGroupMainWindow, this);
}

void TMainForm::SetDialogs(IOperatorDialogs *dialogs) {
    FAsk = dialogs ? dialogs : FOwnDialogs.get();
    FScope->SetDialogs(FAsk);
    FDriver->SetDialogs(FAsk);
}

void TMainForm::RecomputeTitle() {
    FPanel->SetDemoShown(FDriver->DemoMode());
    QString title = TitleText(FDriver->DemoMode(), FScope->DeviceType());
    if (title == windowTitle()) return;
    setWindowTitle(title);
    emit TitleChanged(title);
}

void TMainForm::OnScopeNotification(int32_t kind, const int32_t &) {
    RecomputeTitle();
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) {
        FShowHints = FScope->ShowComixHelp();
        FToolTipAction->setChecked(FShowHints);
        FHighPriorityAction->setChecked(FScope->BoostThread());
    } else if (kind == kNotifyDetach) {
        if (FListenScope) FListenScope->UnregisterListener(this);
        FListenScope = nullptr;
    }
}

void TMainForm::OnLaidOut() {
    if (FTerminating || !FListenScope) return;
    FListenScope->Notify(kNotifyResized, kGroupMainWindow);
}

void TMainForm::closeEvent(QCloseEvent *event) {
    FTerminating = true;
    FPanel->SetLayoutEnabled(false);
    if (!FStopped) {
        FStopped = true;
        FScope->StopApplication();
    }
    event->accept();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
    // The application's tool-tip switch.
    if (event->type() == QEvent::ToolTip && !FShowHints && !watched->property(kAlwaysHint).toBool())
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::Activate() {
    // While the program still starts, the window appears when start-up ends.
    if (!isVisible()) return;
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

// ---- Menu commands ----------------------------------------------------------

void TMainForm::MenuViewer() {
    // The viewer lies outside the program; a failure to start it is not
    // reported. It opens the current record file once there is one, named
    // in full so that it does not depend on the folder it runs in.
    QString viewer = TWorkingFolderVexaRM::ProgramFile(QStringLiteral("PreviewVexaRM"));
    QFileInfo info(viewer);
    QStringList args;
    const QFileInfo record(QString::fromStdString(FScope->GetRecordFileName()));
    if (record.isFile()) args << record.absoluteFilePath();
    if (info.isFile() && info.isExecutable())
        QProcess::startDetached(viewer, args, QDir::currentPath());
}

void TMainForm::MenuExit() {
    if (FAsk->Ask(DialogStyle::Confirmation, "Exit program?", kButtonYes | kButtonNo) == kButtonYes)
        close();
}

void TMainForm::MenuRestoreDefaults() {
    if (FAsk->Ask(DialogStyle::Confirmation, "Current settings will be lost. Continue?",
                  kButtonOk | kButtonCancel) == kButtonCancel)
        return;
    EndMeasurementBeforeLoad();
    FScope->Notify(kNotifyRestoreDefaults, kGroupMainWindow);
    FScope->Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void TMainForm::MenuLoadSettings() {
    EndMeasurementBeforeLoad();
    FScope->Notify(kNotifyLoadSettings, kGroupMainWindow);
    FScope->Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void TMainForm::EndMeasurementBeforeLoad() {
    // A load switches the record file to "sdata.rmd" and both change the
    // settings under a running measurement: it ends first, and its stop
    // record (and everything read before it) goes to its own file.
    if (FScope->MeasurementStarted()) {
        FScope->SetMeasurementStarted(false);
        FScope->Notify(kNotifySettingsChanged, kGroupMainWindow);
    }
    FFlowManager->WaitUntilRecorded(kEndBeforeLoadMs);
}

void TMainForm::MenuSaveSettings() {
    FScope->Notify(kNotifySaveSettings, kGroupMainWindow);
}

void TMainForm::MenuDemoSetup() {
    TDemoSetupForm dialog(this);
    dialog.SetVirtualScope(FScope.get());
    dialog.SetShowHints(FScope->ShowComixHelp());
    if (dialog.exec() != QDialog::Accepted) return;
    try {
        dialog.ApplyTo(*FScope);
    } catch (const EConvertErrorVexa &e) {
        // The values before the bad field stay applied; no notification.
        FAsk->Ask(DialogStyle::Error, e.what(), kButtonOk);
        return;
    }
    FScope->Notify(kNotifySettingsChanged, kGroupSystem);
}

void TMainForm::MenuColorSetup() {
    TSetColorForm dialog(this);
    dialog.setWindowTitle(QStringLiteral("Color settings"));
    dialog.SetVirtualScope(FScope.get());
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.ApplyTo(*FScope);
    FScope->Notify(kNotifySettingsChanged, kGroupTimeBase);
}

void TMainForm::MenuToolTipHelp() {
    FScope->SetShowComixHelp(!FScope->ShowComixHelp());
    FScope->Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void TMainForm::MenuHighPriority() {
    FScope->SetBoostThread(!FScope->BoostThread());
    FHighPriorityAction->setChecked(FScope->BoostThread());
    FScope->Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void TMainForm::MenuHelpIndex() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(TWorkingFolderVexaRM::ProgramFile(HelpPage())));
}

void TMainForm::MenuWeb() {
    QDesktopServices::openUrl(QUrl(TAboutForm::CompanySiteAddress()));
}

void TMainForm::MenuSupport() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + TAboutForm::CompanyMailAddress()));
}

void TMainForm::MenuAbout() {
    TAboutForm about(this);
    about.SetSoftwareVersion(TProgramVersionVexaRM::Text());
    about.SetUSBDriverVersion(QString::fromStdString(FDriver->USBDriverVersion()));
    about.SetDeviceSerialNumber(QString::fromStdString(FDriver->DeviceSerialNumber()));
    about.exec();
}

} // namespace vexa
