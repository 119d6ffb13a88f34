// Start/stop with the arm/trigger conflict check, the record modes and
// length, and the data-file controls with their dialogs.
#include "PanelFixture.h"

#include "panel/QtSaveFileDialogVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <filesystem>

namespace vexa::test {
namespace {

const std::string kConflict = "Arm and Trigger settings conflict.";

class RecordingControlsTest : public PanelFixture {
protected:
    void SetUp() override {
        Dir = MakeTempDir("panel_binders");
        OldDir = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(Dir));
        PanelFixture::SetUp();
    }
    void TearDown() override {
        PanelFixture::TearDown();
        QDir::setCurrent(OldDir);
        std::filesystem::remove_all(Dir);
    }
    // Trigger on channel A under 200 mV, arm on channel A with a level.
    void ChannelAConditions(bool triggerUnder, bool armUnder, double armLevel) {
        Scope.SetTriggerSourceA(true);
        Scope.SetARMSourceA(true);
        Scope.SetTriggerUnderA(triggerUnder);
        Scope.SetARMUnderA(armUnder);
        Scope.SetTriggerLevelA(200);
        Scope.SetARMLevelA(armLevel);
    }
    QString Path(const char *name) const {
        return QDir(QString::fromStdString(Dir)).filePath(QString::fromLatin1(name));
    }
    std::string Dir;
    QString OldDir;
};

TEST_F(RecordingControlsTest, StartRefusesConflictingArmAndTriggerLevels) {
    ChannelAConditions(/*trigger under*/ true, /*arm under*/ false, 300);
    Click(StartButton);
    EXPECT_FALSE(Scope.MeasurementStarted());
    EXPECT_FALSE(StartButton->Down()); // the refresh releases it again
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].text, kConflict);
    EXPECT_EQ(Dialogs.Questions()[0].style, DialogStyle::Warning);
    EXPECT_EQ(Dialogs.Questions()[0].buttons, int(kButtonOk));
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 9), 1);
    // Every setting stays.
    EXPECT_DOUBLE_EQ(Scope.ARMLevelA(), 300.0);
    EXPECT_TRUE(Scope.TriggerUnderA());

    // Equal levels are no conflict.
    Scope.SetARMLevelA(200);
    Click(StartButton);
    EXPECT_TRUE(Scope.MeasurementStarted());
    EXPECT_TRUE(StartButton->Down());
    EXPECT_EQ(Dialogs.Questions().size(), 1u);
}

TEST_F(RecordingControlsTest, ConflictCasesOfBothDirectionsAndChannels) {
    // Trigger over 200 mV, arm under 100 mV on channel A: a conflict.
    ChannelAConditions(false, true, 100);
    Click(StartButton);
    EXPECT_FALSE(Scope.MeasurementStarted());
    // The same levels with the same directions on both sides start.
    Scope.SetARMUnderA(false);
    Click(StartButton);
    EXPECT_TRUE(Scope.MeasurementStarted());
    Click(StopButton);
    // Without the arm source of that channel there is nothing to compare,
    // and the external arm source takes no part.
    ChannelAConditions(true, false, 900);
    Scope.SetARMSourceA(false);
    Scope.SetARMSourceExternal(true);
    Scope.SetARMUnderExternal(true);
    Click(StartButton);
    EXPECT_TRUE(Scope.MeasurementStarted());
    Click(StopButton);
    // Channel B on its own: arm under 299.5 mV below a trigger over 300 mV.
    Scope.SetTriggerSourceA(false);
    Scope.SetTriggerSourceB(true);
    Scope.SetARMSourceB(true);
    Scope.SetTriggerLevelB(300);
    Scope.SetARMLevelB(299.5);
    Scope.SetARMUnderB(true);
    Click(StartButton);
    EXPECT_FALSE(Scope.MeasurementStarted());
    EXPECT_EQ(Dialogs.Texts(), (std::vector<std::string>{kConflict, kConflict}));
}

TEST_F(RecordingControlsTest, StartAndStopOnlyActWhenTheyChangeSomething) {
    Click(StopButton); // stopped already
    EXPECT_FALSE(Scope.MeasurementStarted());
    EXPECT_FALSE(StopButton->Down());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 9), 1);
    Click(StartButton);
    Click(StartButton); // started already: stays started and latched
    EXPECT_TRUE(Scope.MeasurementStarted());
    EXPECT_TRUE(StartButton->Down());
    Click(StopButton);
    EXPECT_FALSE(Scope.MeasurementStarted());
    EXPECT_FALSE(StartButton->Down());
    EXPECT_FALSE(StopButton->Down()); // momentary
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 9), 4);
}

TEST_F(RecordingControlsTest, RecordModesStayOppositeAndGateTheLengthEdit) {
    ASSERT_TRUE(Scope.RecordFree());
    Click(TrButton);
    EXPECT_TRUE(Scope.RecordTriggered());
    EXPECT_FALSE(Scope.RecordFree());
    EXPECT_TRUE(TrButton->Down());
    EXPECT_FALSE(FrButton->Down());
    Click(TrButton);
    EXPECT_FALSE(Scope.RecordTriggered());
    EXPECT_TRUE(Scope.RecordFree());
    Click(FrButton);
    EXPECT_TRUE(Scope.RecordTriggered());
    EXPECT_FALSE(Scope.RecordFree());
    EXPECT_TRUE(TrButton->Down());

    EXPECT_FALSE(LengthEdit->isEnabled()); // continuous by default
    EXPECT_TRUE(ContButton->Down());
    Click(DefButton);
    EXPECT_TRUE(Scope.MeasurementDefined());
    EXPECT_TRUE(DefButton->Down());
    EXPECT_FALSE(ContButton->Down());
    EXPECT_TRUE(LengthEdit->isEnabled());
    Click(StartButton);
    EXPECT_FALSE(LengthEdit->isEnabled());
    Click(StopButton);
    EXPECT_TRUE(LengthEdit->isEnabled());
    Click(ContButton);
    EXPECT_FALSE(Scope.MeasurementDefined());
    EXPECT_FALSE(LengthEdit->isEnabled());
}

TEST_F(RecordingControlsTest, TheLengthIsAppliedOnEnterAndABadEntryIsUndone) {
    Click(DefButton);
    EXPECT_EQ(LengthEdit->text(), QStringLiteral("5s"));
    TypeAndEnter(LengthEdit, QStringLiteral("1m30s"));
    EXPECT_EQ(Scope.MeasurementLength(), 90000u);
    EXPECT_EQ(LengthEdit->text(), QStringLiteral("1m30s"));
    TypeAndEnter(LengthEdit, QStringLiteral("2.5s"));
    EXPECT_EQ(Scope.MeasurementLength(), 2500u);
    TypeAndEnter(LengthEdit, QStringLiteral("1h2m3s500ms"));
    EXPECT_EQ(Scope.MeasurementLength(), 3723500u);
    // A text that is not a length keeps the model's value and shows it again.
    TypeAndEnter(LengthEdit, QStringLiteral("h5"));
    EXPECT_EQ(Scope.MeasurementLength(), 3723500u);
    EXPECT_EQ(LengthEdit->text(), QStringLiteral("1h2m3s500ms"));
}

TEST_F(RecordingControlsTest, BrowseOpensTheChosenFileAndRestoresTheDirectory) {
    const QString chosen = Path("run1.rmd");
    SaveDialog.Answer = chosen;
    SaveDialog.ChangeDirTo = QDir::tempPath();
    const QString before = QDir::currentPath();
    Click(BrowseButton);
    EXPECT_EQ(SaveDialog.Asked, 1);
    EXPECT_EQ(SaveDialog.AskedExt, QStringLiteral("rmd"));
    EXPECT_EQ(SaveDialog.AskedFilter, QStringLiteral("Roll mode files (*.rmd)|*.rmd"));
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(QString::fromStdString(Scope.GetRecordFileName()), chosen);
    EXPECT_EQ(SaveFileEdit->text(), chosen);
    EXPECT_EQ(SaveFileEdit->toolTip(), chosen);
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 7), 1);

    // Cancel changes nothing, and the dialog proposed the current name.
    SaveDialog.Answer.clear();
    Click(BrowseButton);
    EXPECT_EQ(SaveDialog.AskedName, chosen);
    EXPECT_EQ(QString::fromStdString(Scope.GetRecordFileName()), chosen);
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(RecordingControlsTest, SavingOpensTheFileAndClearingAsksFirst) {
    const QString name = Path("data.rmd");
    TypeAndEnter(SaveFileEdit, name);
    EXPECT_EQ(QString::fromStdString(Scope.GetRecordFileName()), name);
    EXPECT_EQ(SaveFileEdit->toolTip(), name);
    EXPECT_FALSE(QFileInfo::exists(name)); // saving is still off

    Click(SaveButton);
    EXPECT_TRUE(Scope.SavingActivated());
    EXPECT_TRUE(SaveButton->Down());
    EXPECT_TRUE(QFileInfo::exists(name));
    Click(SaveButton);
    EXPECT_FALSE(Scope.SavingActivated());
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("recorded words");
    }
    Dialogs.Script({kButtonNo});
    Click(ClearFileButton);
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Dialogs.Questions()[0].text, "Clear the file?");
    EXPECT_EQ(Dialogs.Questions()[0].style, DialogStyle::Confirmation);
    EXPECT_EQ(Dialogs.Questions()[0].buttons, kButtonYes | kButtonNo | kButtonCancel);
    // Enter answers No; the detail names the file and what it holds.
    EXPECT_EQ(Dialogs.Questions()[0].defaultButton, kButtonNo);
    EXPECT_NE(Dialogs.Questions()[0].detail.find(name.toStdString() + "\" holds 14 B."),
              std::string::npos)
        << Dialogs.Questions()[0].detail;
    EXPECT_EQ(QFileInfo(name).size(), 14);
    EXPECT_FALSE(ClearFileButton->Down());
    Click(ClearFileButton); // script ran out: Cancel
    EXPECT_EQ(QFileInfo(name).size(), 14);
    EXPECT_FALSE(ClearFileButton->Down());
    Dialogs.Script({kButtonYes});
    Click(ClearFileButton);
    EXPECT_EQ(QFileInfo(name).size(), 0);
    EXPECT_FALSE(ClearFileButton->Down());

    // A file that is not there yet is said to be created.
    ASSERT_TRUE(QFile::remove(name));
    Dialogs.Clear();
    Click(ClearFileButton);
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    EXPECT_NE(Dialogs.Questions()[0].detail.find("does not exist yet"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(name));
}

TEST_F(RecordingControlsTest, TypingMarksTheFileNameUnconfirmedUntilEnter) {
    SaveFileEdit->setFocus();
    QTest::keyClick(SaveFileEdit, Qt::Key_X);
    EXPECT_EQ(SaveFileEdit->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_TRUE(Recorder.Seen.empty());
    QTest::keyClick(SaveFileEdit, Qt::Key_Return);
    EXPECT_NE(SaveFileEdit->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 7), 1);
}

TEST_F(RecordingControlsTest, ARunningMeasurementLocksTheFileControls) {
    Click(StartButton);
    ASSERT_TRUE(Scope.MeasurementStarted());
    for (QWidget *w : std::initializer_list<QWidget *>{BrowseButton, SaveButton, ClearFileButton,
                                                       SaveFileEdit, GridBrightness, LengthEdit})
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    Click(StopButton);
    for (QWidget *w : std::initializer_list<QWidget *>{BrowseButton, SaveButton, ClearFileButton,
                                                       SaveFileEdit, GridBrightness})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
}

TEST_F(RecordingControlsTest, ChoosingAnExistingFileAsksNothingAboutReplacingIt) {
    // Recording appends to the chosen file, so there is nothing to confirm.
    const QString existing = Path("old.rmd");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    int questions = 0;
    QTimer watch; // answers any question that opens, so that the dialog ends
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&questions] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible()) continue;
            ++questions;
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
        }
    });
    QTimer::singleShot(0, [&watch] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        watch.start();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    TQtSaveFileDialogVexaRM real;
    const QString chosen = real.AskFileName(existing, "rmd", "Roll mode files (*.rmd)|*.rmd");
    watch.stop();
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(QFileInfo(chosen), QFileInfo(existing));
    EXPECT_EQ(QFileInfo(existing).size(), 4);
}

TEST(SaveFileDialogFilter, TurnsDescriptionPatternPairsIntoQtFilters) {
    EXPECT_EQ(TQtSaveFileDialogVexaRM::QtFilter("Roll mode files (*.rmd)|*.rmd"),
              QStringLiteral("Roll mode files (*.rmd)"));
    EXPECT_EQ(TQtSaveFileDialogVexaRM::QtFilter("Records|*.rmd|All files|*.*"),
              QStringLiteral("Records (*.rmd);;All files (*.*)"));
    EXPECT_EQ(TQtSaveFileDialogVexaRM::QtFilter("Pictures|*.png;*.jpg"),
              QStringLiteral("Pictures (*.png *.jpg)"));
    EXPECT_EQ(TQtSaveFileDialogVexaRM::QtFilter(""), QString());
}

} // namespace
} // namespace vexa::test
