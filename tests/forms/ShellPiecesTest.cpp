// The program's shell pieces: message boxes, hand-over wake-up, lamp,
// JPEG picture, version text, single instance and working folder.
#include "forms/ExitSignalsVexaRM.h"
#include "forms/HandoverWakeVexaRM.h"
#include "common/InstallLayoutVexaRM.h"
#include "forms/JpegPictureVexaRM.h"
#include "forms/LampShapeVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "ModalHelper.h"
#include "forms/OperatorDialogsVexaRM.h"
#include "forms/ProgramVersionVexaRM.h"
#include "forms/SingleInstanceVexaRM.h"
#include "tests/support/TestSupport.h"
#include "forms/WorkingFolderVexaRM.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <thread>

using namespace vexa;

namespace {

void ClickButton(QWidget *w, QMessageBox::StandardButton which) {
    auto *box = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(box, nullptr);
    QAbstractButton *b = box->button(which);
    ASSERT_NE(b, nullptr);
    b->click();
}

QString PictureFile() {
    return QDir(QString::fromStdString(test::BinDir())).filePath("VexaSplash.jpg");
}

} // namespace

TEST(OperatorDialogs, ReturnsTheButtonPressedAndTheDefaultWhenClosed) {
    TOperatorDialogsVexaRM dialogs;
    test::WhenModal([](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Exit program?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->windowTitle(), "Confirm");
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        EXPECT_NE(box->button(QMessageBox::No), nullptr);
        EXPECT_EQ(box->button(QMessageBox::Ok), nullptr);
        ClickButton(w, QMessageBox::Yes);
    });
    EXPECT_EQ(dialogs.Ask(DialogStyle::Confirmation, "Exit program?", kButtonYes | kButtonNo),
              kButtonYes);

    test::WhenModal([](QWidget *w) { ClickButton(w, QMessageBox::Retry); });
    EXPECT_EQ(dialogs.Ask(DialogStyle::Error, "x", kButtonRetry | kButtonAbort | kButtonIgnore),
              kButtonRetry);

    // Escape closes without a choice: Cancel when offered, else No, else Ok.
    test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.Ask(DialogStyle::Warning, "q", kButtonOk | kButtonCancel), kButtonCancel);
    test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.Ask(DialogStyle::Warning, "q", kButtonYes | kButtonNo), kButtonNo);
    test::WhenModal([](QWidget *w) {
        EXPECT_EQ(qobject_cast<QMessageBox *>(w)->icon(), QMessageBox::Critical);
        w->close();
    });
    EXPECT_EQ(dialogs.Ask(DialogStyle::Error, "Device in use by another application", kButtonOk),
              kButtonOk);
}

TEST(OperatorDialogs, AQuestionShowsItsDetailAndEnterPressesItsDefault) {
    TOperatorDialogsVexaRM dialogs;
    TDialogQuestion q;
    q.Style = DialogStyle::Confirmation;
    q.Text = "Clear the file?";
    q.Buttons = kButtonYes | kButtonNo | kButtonCancel;
    q.Detail = "The record file holds 2 KB.";
    // For each default: what Enter answers, and Escape still cancels.
    for (int chosen : {int(kButtonNo), int(kButtonCancel), int(kButtonYes), 0}) {
        q.DefaultButton = chosen;
        QString detail;
        test::WhenModal([&detail](QWidget *w) {
            detail = qobject_cast<QMessageBox *>(w)->informativeText();
            QTest::keyClick(w, Qt::Key_Return);
        });
        EXPECT_EQ(dialogs.AskQuestion(q), chosen == 0 ? kButtonYes : chosen);
        EXPECT_EQ(detail, "The record file holds 2 KB.");
        test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        EXPECT_EQ(dialogs.AskQuestion(q), kButtonCancel);
    }
    // A default that is not offered falls back to the first button.
    q.Buttons = kButtonYes | kButtonNo;
    q.DefaultButton = kButtonCancel;
    q.Detail.clear();
    test::WhenModal([](QWidget *w) {
        EXPECT_TRUE(qobject_cast<QMessageBox *>(w)->informativeText().isEmpty());
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.AskQuestion(q), kButtonYes);
}

TEST(HandoverWake, WorkerItemsRunOnTheGuiThreadAndLateWakeUpsAreHarmless) {
    TMainThreadHandoverVexaRM handover;
    std::thread::id ranOn;
    std::atomic<bool> result{false};
    {
        THandoverWakeVexaRM wake(handover);
        std::thread worker([&] {
            result = handover.RunInMainThread([&] { ranOn = std::this_thread::get_id(); });
        });
        QElapsedTimer t;
        t.start();
        while (!result && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        worker.join();
        EXPECT_TRUE(result);
        EXPECT_EQ(ranOn, std::this_thread::get_id());
        EXPECT_GE(wake.Serviced(), 1);
    }
    // The wake-up object is gone: a worker's item is no longer serviced by
    // the event loop, and closing the hand-over releases the worker.
    std::atomic<bool> ran{false}, done{false};
    std::thread late([&] {
        handover.RunInMainThread([&] { ran = true; });
        done = true;
    });
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    handover.Close();
    late.join();
    EXPECT_TRUE(done);
    EXPECT_FALSE(ran);
}

TEST(LampShape, ColourSetFromAWorkerIsPaintedOnTheGuiThread) {
    TLampShapeVexaRM lamp;
    lamp.resize(13, 13);
    lamp.show();
    std::thread worker([&] { lamp.SetLampColor(0x00FF00); }); // green
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(lamp.LampColor(), 0x00FF00u);
    QImage img = lamp.grab().toImage();
    EXPECT_EQ(img.pixelColor(6, 6), QColor(0, 255, 0));
    lamp.SetLampColor(0x00FFFF); // yellow, red in the low byte
    QCoreApplication::processEvents();
    EXPECT_EQ(lamp.grab().toImage().pixelColor(6, 6), QColor(255, 255, 0));
}

TEST(JpegPicture, DecodesTheShippedPictureAndRejectsBrokenData) {
    QImage img = TJpegPictureVexaRM::Load(PictureFile());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(390, 249));
    // The text areas of the about box need a light background.
    QColor c = img.pixelColor(300, 120);
    EXPECT_GT(c.lightness(), 180);

    QFile f(PictureFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    EXPECT_TRUE(TJpegPictureVexaRM::Decode(bytes.left(bytes.size() / 2)).isNull());
    EXPECT_TRUE(TJpegPictureVexaRM::Decode(bytes.left(20)).isNull());
    EXPECT_TRUE(TJpegPictureVexaRM::Decode(QByteArray(4000, 'x')).isNull());
    EXPECT_TRUE(TJpegPictureVexaRM::Decode(QByteArray()).isNull());
    EXPECT_TRUE(TJpegPictureVexaRM::Load("/nonexistent/VexaSplash.jpg").isNull());
    QByteArray damaged = bytes;
    for (int i = 700; i < damaged.size() - 2; i += 97)
        damaged[i] = char(0xFF);
    EXPECT_TRUE(TJpegPictureVexaRM::Decode(damaged).isNull());
}

TEST(ProgramVersion, MinorNumberHasAtLeastTwoDigits) {
    EXPECT_EQ(TProgramVersionVexaRM::Text(1, 2), "1.02");
    EXPECT_EQ(TProgramVersionVexaRM::Text(2, 10), "2.10");
    EXPECT_EQ(TProgramVersionVexaRM::Text(0, 0), "0.00");
    // The program carries the project's version 1.2.
    EXPECT_EQ(TProgramVersionVexaRM::Text(), "1.02");
}

// Each test has a runtime folder and a temporary folder of its own.
class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = test::MakeTempDir("vexa_single_");
        Runtime = Dir + "/run";
        ASSERT_EQ(::mkdir(Runtime.c_str(), 0700), 0);
        OldTmp = qgetenv("TMPDIR");
        OldRuntime = qgetenv("XDG_RUNTIME_DIR");
        HadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QByteArray::fromStdString(Dir));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(Runtime));
    }
    void TearDown() override {
        qputenv("TMPDIR", OldTmp);
        if (HadRuntime)
            qputenv("XDG_RUNTIME_DIR", OldRuntime);
        else
            qunsetenv("XDG_RUNTIME_DIR");
        QDir(QString::fromStdString(Dir)).removeRecursively();
    }
    std::string Dir, Runtime;
    QByteArray OldTmp, OldRuntime;
    bool HadRuntime = false;
};

TEST_F(SingleInstance, TableHoldsThisProgramsTitles) {
    const auto &table = TSingleInstanceVexaRM::WindowTable();
    ASSERT_EQ(table.size(), 42u);
    EXPECT_EQ(table[0].first, "TMainForm");
    EXPECT_EQ(table[0].second, "ZovuDori Vexa1");
    EXPECT_EQ(table[5].second, "ZovuDori Vexa6");
    EXPECT_EQ(table[6].second, "ZovuDori VexaX      <-RUNNING IN DEMO MODE->");
    EXPECT_NE(TSingleInstanceVexaRM::ServerName("TMainForm", "ZovuDori Vexa1"),
              TSingleInstanceVexaRM::ServerName("TMainForm", "ZovuDori Vexa2"));
}

TEST_F(SingleInstance, SecondOwnerIsRefusedUntilTheFirstReleases) {
    TSingleInstanceVexaRM first, second;
    EXPECT_TRUE(first.Acquire());
    EXPECT_FALSE(second.Acquire());
    first.Release();
    EXPECT_TRUE(second.Acquire());
}

// Two copies started with different temporary folders still meet: the
// second neither takes the lock nor misses the first one's window.
TEST_F(SingleInstance, CopiesWithDifferentTemporaryFoldersMeetInTheRuntimeFolder) {
    TSingleInstanceVexaRM first, second;
    ASSERT_TRUE(first.Acquire());
    ASSERT_TRUE(first.Listen("TMainForm", "ZovuDori Vexa2"));
    EXPECT_TRUE(TSingleInstanceVexaRM::LockFileName().startsWith(QString::fromStdString(Runtime)));
    const std::string other = Dir + "/other";
    ASSERT_EQ(::mkdir(other.c_str(), 0700), 0);
    qputenv("TMPDIR", QByteArray::fromStdString(other));
    EXPECT_FALSE(second.Acquire());
    QSignalSpy spy(&first, &TSingleInstanceVexaRM::ActivateRequested);
    EXPECT_TRUE(TSingleInstanceVexaRM::ActivateRunning(500));
    EXPECT_TRUE(spy.wait(2000) || spy.count() > 0);

    // A runtime folder that others may enter is not used; the stand-in for
    // it never follows the temporary folder either.
    ASSERT_EQ(::chmod(Runtime.c_str(), 0755), 0);
    const QString fallback = TSingleInstanceVexaRM::RuntimeFolder();
    EXPECT_NE(fallback, QString::fromStdString(Runtime));
    EXPECT_FALSE(fallback.startsWith(QString::fromStdString(Dir))) << fallback.toStdString();
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TSingleInstanceVexaRM::RuntimeFolder(), fallback);
    first.Release();
}

TEST_F(SingleInstance, ActivationReachesTheWindowUnderItsCurrentTitle) {
    EXPECT_FALSE(TSingleInstanceVexaRM::ActivateRunning(200)); // nobody runs
    TSingleInstanceVexaRM running;
    ASSERT_TRUE(running.Acquire());
    ASSERT_TRUE(running.Listen("TMainForm", "ZovuDori Vexa1"));
    // The title changes once the device is known: the name follows it.
    ASSERT_TRUE(running.Listen("TMainForm", "ZovuDori Vexa4"));
    QSignalSpy spy(&running, &TSingleInstanceVexaRM::ActivateRequested);
    EXPECT_TRUE(TSingleInstanceVexaRM::ActivateRunning(500));
    EXPECT_TRUE(spy.wait(2000) || spy.count() > 0);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(running.ListeningName(),
              TSingleInstanceVexaRM::ServerName("TMainForm", "ZovuDori Vexa4"));
}

// Each of the three signals reaches the event loop as one ExitRequested,
// whichever thread the system hands it to, and the process lives on; the
// handlers that were there before come back afterwards.
TEST(ExitSignals, EachSignalReachesTheEventLoopOnceAndTheProcessLivesOn) {
    for (int signal : TExitSignalsVexaRM::kSignals) {
        SCOPED_TRACE(signal);
        struct sigaction before = {};
        ASSERT_EQ(::sigaction(signal, nullptr, &before), 0);
        {
            TExitSignalsVexaRM exitSignals;
            ASSERT_TRUE(exitSignals.Installed());
            QSignalSpy spy(&exitSignals, &TExitSignalsVexaRM::ExitRequested);
            std::thread other([signal] { ::kill(::getpid(), signal); });
            other.join();
            ::raise(signal);
            EXPECT_TRUE(spy.wait(5000) || spy.count() > 0);
            QCoreApplication::processEvents();
            ASSERT_EQ(spy.count(), 1);
            EXPECT_EQ(spy.at(0).at(0).toInt(), signal);
            EXPECT_TRUE(exitSignals.Requested());
            EXPECT_EQ(exitSignals.Signal(), signal);
        }
        struct sigaction after = {};
        ASSERT_EQ(::sigaction(signal, nullptr, &after), 0);
        EXPECT_EQ(after.sa_handler, before.sa_handler);
    }
}

TEST(WorkingFolder, ExecutableFolderWhenWritableElseDataFolder) {
    QString base = QString::fromStdString(test::MakeTempDir("vexa_wf_"));
    QString exe = base + "/bin", data = base + "/data/Vexa";
    QDir().mkpath(exe);
    EXPECT_EQ(TWorkingFolderVexaRM::Choose(exe, data), QDir(exe).absolutePath());
    EXPECT_FALSE(QDir(data).exists());
    // A folder that cannot hold files (here: a plain file in its place).
    QFile blocker(base + "/blocked");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(TWorkingFolderVexaRM::Choose(base + "/blocked", data), QDir(data).absolutePath());
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_TRUE(TWorkingFolderVexaRM::Choose(base + "/blocked", base + "/blocked/x").isEmpty());
    QDir(base).removeRecursively();
}

TEST(WorkingFolder, AnInstalledCopyWorksInTheDataFolderAndStartsWithTheDefaults) {
    // An installed tree whose program folder is writable, as it is for root.
    const QString base = QString::fromStdString(test::MakeTempDir("vexa_wfi_"));
    const QString exe = base + "/usr/bin", data = base + "/home/Vexa";
    const QString libs = QDir::cleanPath(exe + "/" + kInstalledLibraryFolder);
    const QString share = QDir::cleanPath(exe + "/" + kInstalledDataFolder);
    auto put = [](const QString &name, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(name).path());
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put(libs + "/libvexarmdrv.so", "driver");
    put(share + "/ZovuDori.ini", "defaults\r\n");
    put(share + "/VexaSplash.jpg", "picture");
    QDir().mkpath(exe);

    EXPECT_EQ(TWorkingFolderVexaRM::DriverFolder(exe), libs);
    EXPECT_EQ(TWorkingFolderVexaRM::ShippedFile(exe, "VexaSplash.jpg"), share + "/VexaSplash.jpg");
    EXPECT_EQ(TWorkingFolderVexaRM::Choose(exe, data), data);
    QFile copied(data + "/ZovuDori.ini");
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("defaults\r\n"));
    copied.close();
    // Only the first start copies: a settings file deleted later stays
    // missing, so the program reports it.
    ASSERT_TRUE(QFile::remove(data + "/ZovuDori.ini"));
    EXPECT_EQ(TWorkingFolderVexaRM::Choose(exe, data), data);
    EXPECT_FALSE(QFile::exists(data + "/ZovuDori.ini"));

    // With the driver library beside it, the same folder is a build tree:
    // it works in its own folder and loads the library from there; what
    // it lacks still comes from the data folder.
    put(exe + "/libvexarmdrv.so", "driver");
    EXPECT_EQ(TWorkingFolderVexaRM::Choose(exe, data), exe);
    EXPECT_EQ(TWorkingFolderVexaRM::DriverFolder(exe), exe);
    EXPECT_EQ(TWorkingFolderVexaRM::ShippedFile(exe, "VexaSplash.jpg"), share + "/VexaSplash.jpg");
    put(exe + "/VexaSplash.jpg", "picture");
    EXPECT_EQ(TWorkingFolderVexaRM::ShippedFile(exe, "VexaSplash.jpg"), exe + "/VexaSplash.jpg");
    QDir(base).removeRecursively();
}
