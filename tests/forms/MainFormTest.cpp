// The main window assembled with every real component: construction and
// listener order, layout, title, menu commands and a whole run on the
// simulated device.
#include "forms/AboutForm.h"
#include "panel/ArmControlsVexaRM.h"
#include "panel/ChannelControlsVexaRM.h"
#include "flow/DataSourceModuleVexaRM.h"
#include "forms/DemoSetupForm.h"
#include "panel/DensityControlsVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "forms/FrontPanelVexaRM.h"
#include "panel/InformationPanelAVexaRM.h"
#include "panel/InformationPanelBVexaRM.h"
#include "forms/MainForm.h"
#include "panel/MeasurementRecordControlsVexaRM.h"
#include "ModalHelper.h"
#include "panel/ModeDisplayVexaRM.h"
#include "panel/NumEditVexa.h"
#include "panel/OpenSaveControlsVexaRM.h"
#include "display/RollScreenEKGVexaRM.h"
#include "display/RollScreenShiftVexaRM.h"
#include "forms/SetColorForm.h"
#include "model/SettingsVexaRM.h"
#include "panel/SourceControlsVexaRM.h"
#include "panel/SweepControlsVexaRM.h"
#include "tests/support/TestSupport.h"
#include "panel/TimeBaseControlsVexaRM.h"
#include "panel/TriggerControlsVexaRM.h"
#include "panel/VerticalShiftsVexaRM.h"
#include "panel/VerticalSlideVexa.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

using namespace vexa;

namespace {

// Counts the notifications that reach the end of the listener list.
struct CountingListener : IScopeListenerVexaRM {
    std::vector<int> kinds;
    void OnScopeNotification(int32_t kind, const int32_t &) override { kinds.push_back(kind); }
};

// Each test works in a folder of its own (settings files land there).
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Old = QDir::currentPath();
        Dir = QString::fromStdString(test::MakeTempDir("vexa_form_"));
        QDir::setCurrent(Dir);
    }
    void TearDown() override {
        QDir::setCurrent(Old);
        QDir(Dir).removeRecursively();
    }
    int CountLines(const QString &name) {
        std::ifstream in((Dir + "/" + name).toStdString());
        int n = 0;
        std::string line;
        while (std::getline(in, line))
            ++n;
        return n;
    }
    QString Old, Dir;
    test::ScriptedDialogs Dialogs;
};

template <class T> bool Is(IScopeListenerVexaRM *l) {
    return dynamic_cast<T *>(l) != nullptr;
}

} // namespace

TEST_F(MainFormTest, ListenersRegisterInTheDocumentedOrderAndDetachInReverse) {
    TMainForm form;
    const auto &l = form.VirtualScope().Listeners();
    ASSERT_EQ(l.size(), 19u);
    EXPECT_EQ(l[0].Listener, static_cast<IScopeListenerVexaRM *>(form.RollScreen()));
    EXPECT_EQ(l[1].Listener, static_cast<IScopeListenerVexaRM *>(form.EKGScreen()));
    EXPECT_TRUE(Is<TVerticalShiftsVexaRM>(l[2].Listener));
    EXPECT_TRUE(Is<TSourceControlsVexaRM>(l[3].Listener));
    EXPECT_TRUE(Is<TDensityControlsVexaRM>(l[4].Listener));
    EXPECT_TRUE(Is<TInformationPanelBVexaRM>(l[5].Listener));
    EXPECT_TRUE(Is<TInformationPanelAVexaRM>(l[6].Listener));
    EXPECT_EQ(l[7].Listener, &form.FlowManager());
    EXPECT_TRUE(Is<TChannelControlsVexaRM>(l[8].Listener));
    EXPECT_TRUE(Is<TTriggerControlsVexaRM>(l[9].Listener));
    EXPECT_TRUE(Is<TOpenSaveControlsVexaRM>(l[10].Listener));
    EXPECT_TRUE(Is<TMeasurementRecordControlsVexaRM>(l[11].Listener));
    EXPECT_EQ(l[12].Listener, &form.Settings());
    EXPECT_TRUE(Is<TModeDisplayVexaRM>(l[13].Listener));
    EXPECT_TRUE(Is<TSweepControlsVexaRM>(l[14].Listener));
    EXPECT_TRUE(Is<TTimeBaseControlsVexaRM>(l[15].Listener));
    EXPECT_EQ(l[16].Listener, &form.DataSource());
    EXPECT_TRUE(Is<TArmControlsVexaRM>(l[17].Listener));
    EXPECT_EQ(l[18].Listener, static_cast<IScopeListenerVexaRM *>(&form));
    const int groups[] = {17, 16, 4, 3, 2, 1, 1, 5, 6, 8, 7, 9, 10, 11, 12, 14, 16, 18, 13};
    for (size_t i = 0; i < l.size(); ++i)
        EXPECT_EQ(l[i].Group, groups[i]) << "entry " << i;

    // The stored values are in force before anything was loaded.
    EXPECT_EQ(form.VirtualScope().VerticalLevelChannelA(), 1433);
    EXPECT_EQ(form.VirtualScope().VerticalLevelChannelB(), 1515);
    EXPECT_EQ(form.windowTitle(), "Roll Mode");
    // The design size, or less where the screen is smaller.
    const QSize screen = form.screen()->availableGeometry().size();
    EXPECT_EQ(form.minimumSize(), QSize(800, 600).boundedTo(screen));
    EXPECT_EQ(form.size(), QSize(824, 600).boundedTo(screen));

    // Detach in reverse order: the settings are saved before the flow stops.
    form.VirtualScope().SetNotifyEnabled(true);
    form.VirtualScope().Notify(kNotifyDetach, kGroupSystem);
    EXPECT_TRUE(form.VirtualScope().Listeners().empty());
    EXPECT_EQ(CountLines("ZovuDori.ini"), 62);
}

TEST_F(MainFormTest, LayoutFollowsTheWindowSize) {
    TMainForm form;
    form.show();
    TFrontPanelVexaRM *p = form.FrontPanel();
    const int designLabelX = p->InfoChannelA()->x() - p->Layout().InfoPanelAShift;
    QCoreApplication::processEvents(); // the window has found its place on the screen
    for (int k : {5, 17, 100}) {
        form.resize(790 + 2 * k, 640);
        QCoreApplication::processEvents();
        ASSERT_EQ(p->width(), 790 + 2 * k);
        EXPECT_EQ(p->SavePanel()->x(), k);
        EXPECT_EQ(p->ARMPanel()->geometry().right() + 1, p->width() - k);
        EXPECT_EQ(p->TimeBasePanel()->x(), p->SavePanel()->geometry().right() + 1);
    }
    form.resize(808, 640);
    QCoreApplication::processEvents();
    EXPECT_EQ(p->InfoPanelA()->width(), 316);
    EXPECT_EQ(p->InfoPanelB()->width(), 316);
    EXPECT_EQ(p->InfoChannelA()->x(), designLabelX - 70);
    // Both displays in the same place between the side columns.
    EXPECT_EQ(form.RollScreen()->geometry(), form.EKGScreen()->geometry());
    EXPECT_EQ(form.RollScreen()->x(), 87);
    EXPECT_EQ(form.RollScreen()->geometry().right() + 1, p->Source()->x() - 1);
    EXPECT_EQ(p->VerticalSlideA()->BarHeight(), p->VerticalSlideA()->height() - 15);

    // Once notifications run, a resize hands the new bar height to the model.
    form.VirtualScope().SetNotifyEnabled(true);
    form.resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.VirtualScope().MaxChannelA(), p->VerticalSlideA()->BarHeight());
}

TEST_F(MainFormTest, TitleShowsDemoModeOrTheDeviceVariant) {
    EXPECT_EQ(TMainForm::TitleText(true, 3), "ZovuDori VexaX      <-RUNNING IN DEMO MODE->");
    EXPECT_EQ(TMainForm::TitleText(false, 0), "ZovuDori Vexa1");
    EXPECT_EQ(TMainForm::TitleText(false, 7), "ZovuDori Vexa1");

    TMainForm form;
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetNotifyEnabled(true);
    uint8_t *d = scope.DeviceDescription();
    const int32_t type = 3;
    std::memcpy(d + 236, &type, 4);
    scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_EQ(form.windowTitle(), "ZovuDori Vexa4");
    TFrontPanelVexaRM &panel = *form.FrontPanel();
    EXPECT_FALSE(panel.DemoLabelA()->isVisibleTo(&form));
    EXPECT_FALSE(panel.DemoLabelB()->isVisibleTo(&form));
    form.VirtualDriver().SetDemoMode(true);
    scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_EQ(form.windowTitle(), "ZovuDori VexaX      <-RUNNING IN DEMO MODE->");
    // Both channel panels say so too, clear of the readouts beside them.
    for (QLabel *demo : {panel.DemoLabelA(), panel.DemoLabelB()}) {
        EXPECT_TRUE(demo->isVisibleTo(&form));
        EXPECT_EQ(demo->text(), "DEMO");
        EXPECT_LE(demo->fontMetrics().horizontalAdvance(demo->text()), demo->width());
        for (QWidget *other : demo->parentWidget()->findChildren<QWidget *>()) {
            if (other == demo) continue;
            EXPECT_FALSE(other->geometry().intersects(demo->geometry()))
                << other->metaObject()->className();
        }
    }
    form.VirtualDriver().SetDemoMode(false);
    scope.Notify(kNotifyDeviceRestart, kGroupDataFlow);
    EXPECT_FALSE(panel.DemoLabelA()->isVisibleTo(&form));
}

TEST_F(MainFormTest, RestoreDefaultsAsksFirst) {
    TMainForm form;
    form.SetDialogs(&Dialogs);
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetNotifyEnabled(true);
    scope.SetDensityChannelA(3);

    Dialogs.Script({kButtonCancel});
    form.MenuRestoreDefaults();
    ASSERT_EQ(Dialogs.Texts().size(), 1u);
    EXPECT_EQ(Dialogs.Texts()[0], "Current settings will be lost. Continue?");
    EXPECT_EQ(Dialogs.Questions()[0].buttons, kButtonOk | kButtonCancel);
    EXPECT_EQ(scope.DensityChannelA(), 3);
    EXPECT_FALSE(QFile::exists(Dir + "/ZovuDori.ini"));

    Dialogs.Script({kButtonOk});
    form.MenuRestoreDefaults();
    EXPECT_NE(scope.DensityChannelA(), 3);
    EXPECT_EQ(CountLines("ZovuDori.ini"), 62);
}

TEST_F(MainFormTest, TheRecordFileNeverGoesIntoTheSettingsFilesOrTheHelpPage) {
    TMainForm form;
    form.SetDialogs(&Dialogs);
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetApplicationInitialized(true);
    for (const char *name :
         {"ZovuDori.ini", "RollModeSettings.dat", "ZovuDori.ini.tmp", "Help/help.htm"}) {
        Dialogs.Clear();
        if (QString(name).startsWith("Help")) QDir().mkpath("Help");
        scope.OpenRecordFile(name);
        scope.SetSavingActivated(true);
        EXPECT_FALSE(scope.SavingActivated()) << name;
        EXPECT_EQ(Dialogs.Texts(),
                  std::vector<std::string>{std::string("Cannot create file ") + name});
        EXPECT_FALSE(QFile::exists(name)) << name;
    }
    scope.OpenRecordFile("fine.rmd");
    scope.SetSavingActivated(true);
    EXPECT_TRUE(scope.SavingActivated());
    scope.SetApplicationInitialized(false);
}

TEST_F(MainFormTest, DemoSetupAppliesUpToTheBadFieldAndReportsIt) {
    TMainForm form;
    form.SetDialogs(&Dialogs);
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetNotifyEnabled(true);
    CountingListener counter;
    scope.RegisterListener(99, &counter);

    test::WhenModal([](QWidget *w) {
        auto *d = qobject_cast<TDemoSetupForm *>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->PeriodChannelA()->text(), "1000"); // the model's value
        d->PeriodChannelA()->setText("1.6");
        d->PeriodChannelB()->setText("2.5");
        d->AmpChannelA()->setText("x");
        d->Button1()->click();
    });
    form.MenuDemoSetup();
    EXPECT_EQ(scope.PeriodA(), 2);
    EXPECT_EQ(scope.PeriodB(), 2);
    EXPECT_EQ(scope.AmplitudeA(), 3000);
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].text, "'x' is not a valid floating point value");
    EXPECT_EQ(Dialogs.Questions()[0].style, DialogStyle::Error);
    EXPECT_TRUE(counter.kinds.empty()); // no notification

    test::WhenModal([](QWidget *w) {
        auto *d = qobject_cast<TDemoSetupForm *>(w);
        ASSERT_NE(d, nullptr);
        d->NoiseChannelB()->setText("12.5");
        d->Button1()->click();
    });
    form.MenuDemoSetup();
    EXPECT_EQ(scope.NoiseB(), 12);
    EXPECT_EQ(counter.kinds, std::vector<int>{2});
    scope.UnregisterListener(&counter);
}

TEST_F(MainFormTest, ColourSetupCancelLeavesTheModelAndOkNotifies) {
    TMainForm form;
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetNotifyEnabled(true);
    CountingListener counter;
    scope.RegisterListener(99, &counter);
    const uint32_t before = scope.ColorChannelA();

    test::WhenModal([](QWidget *w) {
        auto *d = qobject_cast<TSetColorForm *>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), "Color settings");
        d->ButtonSetColorA()->SetChannelColor(0x123456);
        d->ButtonCancel()->click();
    });
    form.MenuColorSetup();
    EXPECT_EQ(scope.ColorChannelA(), before);
    EXPECT_TRUE(counter.kinds.empty());

    test::WhenModal([](QWidget *w) {
        auto *d = qobject_cast<TSetColorForm *>(w);
        ASSERT_NE(d, nullptr);
        d->ButtonSetColorGrid()->SetChannelColor(0x0000FF);
        d->ButtonOK()->click();
    });
    form.MenuColorSetup();
    EXPECT_EQ(scope.ColorGrid(), 0x0000FFu);
    EXPECT_EQ(scope.RealGridColor(), 0x0000B8u); // dimmed to 72 %
    EXPECT_EQ(counter.kinds, std::vector<int>{2});
    scope.UnregisterListener(&counter);
}

TEST_F(MainFormTest, AboutShowsTheVersionAndMenuSwitchesFollowTheModel) {
    TMainForm form;
    QString shown;
    test::WhenModal([&shown](QWidget *w) {
        auto *a = qobject_cast<TAboutForm *>(w);
        ASSERT_NE(a, nullptr);
        shown = a->DeviceObtainedVersionLabel()->text();
        EXPECT_EQ(a->DeviceSerialNumberLabel()->text(), ""); // nothing read yet
        a->DialogOK()->click();
    });
    form.MenuAbout();
    EXPECT_EQ(shown, "1.02");

    form.VirtualScope().SetNotifyEnabled(true);
    form.VirtualScope().Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_TRUE(form.ToolTipAction()->isChecked());
    EXPECT_TRUE(form.ShowHints());
    form.MenuToolTipHelp();
    EXPECT_FALSE(form.VirtualScope().ShowComixHelp());
    EXPECT_FALSE(form.ToolTipAction()->isChecked());
    EXPECT_FALSE(form.ShowHints());
    form.MenuHighPriority();
    EXPECT_FALSE(form.VirtualScope().BoostThread());
    EXPECT_FALSE(form.HighPriorityAction()->isChecked());
}

TEST_F(MainFormTest, ExitAsksAndAWholeRunOnTheSimulatedDeviceSavesTheSettings) {
    // The driver library and the simulated device beside the test program.
    qputenv("VEXA_SIM_DEVICE_TYPE", "3");
    TMainForm form;
    form.SetDialogs(&Dialogs);
    form.VirtualDriver().SetLibraryFolder(test::BinDir());
    form.show();
    form.VirtualScope().StartApplication();
    qunsetenv("VEXA_SIM_DEVICE_TYPE");
    // The only message: the settings file of the first start is missing.
    ASSERT_EQ(Dialogs.Texts().size(), 1u) << Dialogs.Texts().back();
    EXPECT_NE(Dialogs.Texts()[0].find("ZovuDori.ini"), std::string::npos);
    EXPECT_EQ(form.windowTitle(), "ZovuDori Vexa4");
    EXPECT_FALSE(form.VirtualDriver().DemoMode());

    // A measurement runs; blocks reach the record-size readout's model.
    form.VirtualScope().SetMeasurementStarted(true);
    form.VirtualScope().Notify(kNotifySettingsChanged, kGroupRecord);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 700)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_NE(form.VirtualScope().ActualVoltage(), 0);

    Dialogs.Script({kButtonNo});
    form.MenuExit();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Dialogs.Texts().back(), "Exit program?");
    Dialogs.Script({kButtonYes});
    form.MenuExit();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.VirtualScope().Listeners().empty());
    EXPECT_FALSE(form.VirtualDriver().LibraryLoaded());
    EXPECT_EQ(CountLines("ZovuDori.ini"), 62);
}

namespace {

// What a record file holds: its words, its samples and its start and stop
// records in file order (1 start, 0 stop).
struct RecordedStream {
    std::vector<uint16_t> Words;
    uint64_t Samples = 0;
    std::vector<int> StartsAndStops;
    // Samples behind the last stop record (all of them when there is none).
    uint64_t SamplesAfterLastStop = 0;
};

RecordedStream ReadRecorded(const QString &name) {
    RecordedStream r;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return r;
    const QByteArray bytes = f.readAll();
    for (int i = 0; i + 1 < bytes.size(); i += 2)
        r.Words.push_back(uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
    for (size_t i = 0; i < r.Words.size();) {
        if (r.Words[i] != 0) {
            r.Samples += r.Words[i] > 2;
            r.SamplesAfterLastStop += r.Words[i] > 2;
            ++i;
            continue;
        }
        const size_t length = i + 1 < r.Words.size() ? r.Words[i + 1] : 0;
        if (length == 4 && i + 3 < r.Words.size() && r.Words[i + 2] == 1) {
            r.StartsAndStops.push_back(r.Words[i + 3]);
            if (r.Words[i + 3] == 0) r.SamplesAfterLastStop = 0;
        }
        i += length > 0 ? length : 1;
    }
    return r;
}

const std::vector<uint16_t> kStopRecord = {0, 4, 1, 0};

bool EndsWithStop(const RecordedStream &r) {
    return r.Words.size() >= 4 &&
           std::equal(kStopRecord.begin(), kStopRecord.end(), r.Words.end() - 4);
}

} // namespace

// Loading settings or restoring the defaults while a measurement records
// ends the measurement first: its stop record reaches its own file, and
// nothing of it continues in "sdata.rmd", where a load switches the file.
TEST_F(MainFormTest, LoadAndRestoreDuringARecordingEndTheMeasurementInItsOwnFile) {
    TMainForm form;
    form.SetDialogs(&Dialogs);
    form.VirtualDriver().SetLibraryFolder(test::BinDir());
    form.show();
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.StartApplication();
    form.MenuSaveSettings();
    auto recordUntilGrown = [&](const QString &name) {
        scope.SetMeasurementStarted(true);
        scope.Notify(kNotifySettingsChanged, kGroupRecord);
        QElapsedTimer t;
        t.start();
        while (QFileInfo(name).size() < 20000 && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_GE(QFileInfo(name).size(), 20000) << "nothing recorded";
    };

    scope.OpenRecordFile("mine.rmd");
    scope.SetSavingActivated(true);
    recordUntilGrown("mine.rmd");
    form.MenuLoadSettings();
    EXPECT_FALSE(scope.MeasurementStarted());
    EXPECT_EQ(scope.GetRecordFileName(), "sdata.rmd");
    const RecordedStream mine = ReadRecorded("mine.rmd");
    EXPECT_EQ(mine.StartsAndStops, std::vector<int>({1, 0}));
    EXPECT_TRUE(EndsWithStop(mine));
    // The flow goes on without a measurement: after another whole round of
    // it, no sample has reached sdata.rmd.
    ASSERT_TRUE(form.FlowManager().WaitUntilRecorded(5000));
    EXPECT_EQ(ReadRecorded("sdata.rmd").Samples, 0u);
    EXPECT_EQ(ReadRecorded("mine.rmd").Words, mine.Words);

    // Restoring the defaults ends a measurement the same way.
    recordUntilGrown("sdata.rmd");
    Dialogs.Script({kButtonOk});
    form.MenuRestoreDefaults();
    EXPECT_FALSE(scope.MeasurementStarted());
    const RecordedStream sdata = ReadRecorded("sdata.rmd");
    EXPECT_EQ(sdata.StartsAndStops, std::vector<int>({1, 0}));
    // The restored settings go on into the same file, as records only.
    EXPECT_EQ(sdata.SamplesAfterLastStop, 0u);

    // The new settings follow as records only.
    Dialogs.Script({kButtonYes});
    form.MenuExit();
    const RecordedStream after = ReadRecorded("sdata.rmd");
    EXPECT_EQ(after.StartsAndStops, std::vector<int>({1, 0}));
    EXPECT_EQ(after.Samples, sdata.Samples);
}

TEST_F(MainFormTest, ToolTipSwitchSilencesHintsButNotTheDemoRowNames) {
    TMainForm form;
    form.show();
    form.VirtualScope().SetNotifyEnabled(true);
    // Whether a tool-tip request gets through to the widget.
    auto tipReaches = [](QWidget *w) {
        struct Probe : QObject {
            bool seen = false;
            bool eventFilter(QObject *, QEvent *e) override {
                if (e->type() == QEvent::ToolTip) seen = true;
                return false;
            }
        } probe;
        w->installEventFilter(&probe);
        QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &e);
        w->removeEventFilter(&probe);
        return probe.seen;
    };
    QWidget *start = form.FrontPanel()->StartRecordButtonVexa1();
    EXPECT_EQ(start->toolTip(), "Start measurement (F5)");
    form.VirtualScope().Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_TRUE(tipReaches(start));
    form.MenuToolTipHelp(); // off
    EXPECT_FALSE(tipReaches(start));

    TDemoSetupForm demo(&form);
    demo.SetShowHints(false);
    demo.show();
    EXPECT_TRUE(tipReaches(demo.AmplitudeLabel()));
    EXPECT_FALSE(tipReaches(demo.PeriodChannelA()));
    form.MenuToolTipHelp(); // on again
    EXPECT_TRUE(tipReaches(start));
    QToolTip::hideText();
}
