#include "ProgramStartVexaRM.h"

#include "MainForm.h"
#include "OperatorDialogsVexaRM.h"
#include "SingleInstanceVexaRM.h"
#include "SplashScreenVexa.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"
#include "WorkingFolderVexaRM.h"

#include "ExitSignalsVexaRM.h"
#include "common/InstallLayoutVexaRM.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QThread>
#include <QTimer>

#include <memory>

namespace vexa {

namespace {

// How often an exit asked for by a signal looks again whether the window
// can close, and closes the dialogs that stand in its way.
constexpr int kExitRetryMs = 20;

// Closes every open modal window as its close box would: a dialog is
// rejected, so the code that opened it gets its "closed" answer (Cancel,
// No or OK) and goes on.
void CloseModalWindows() {
    for (QWidget *last = nullptr; QWidget *w = QApplication::activeModalWidget(); last = w) {
        if (w == last) return; // it refuses to close
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
    }
}

} // namespace

int TProgramStartVexaRM::Run(int argc, char **argv) {
    // The application object first: every window and timer below needs it.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexa_RollMode"));
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
    // The desktop entry and icon of an installed copy (none in the build tree).
    QApplication::setDesktopFileName(QString::fromUtf8(kProgramDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(kProgramDesktopId)));
    // One look on every desktop: framed group boxes, compact controls.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);

    // SIGTERM, SIGINT and SIGHUP end the program as File -> Exit does,
    // without the question: the measurement's stop record, the settings
    // saved, the threads ended, the lock given back. Nobody is there to
    // answer a dialog any more, so every dialog is closed as it opens; the
    // window closes once the event loop is back at its top, never from
    // inside a dialog's loop.
    TExitSignalsVexaRM exitSignals;
    TMainForm *mainForm = nullptr;
    bool inMainLoop = false;
    QTimer exitTimer;
    exitTimer.setInterval(kExitRetryMs);
    auto exitStep = [&] {
        CloseModalWindows();
        if (!mainForm || !inMainLoop || mainForm->Terminating()) return;
        if (QThread::currentThread()->loopLevel() > 1 || QApplication::activeModalWidget()) return;
        mainForm->close();
    };
    QObject::connect(&exitTimer, &QTimer::timeout, exitStep);
    QObject::connect(&exitSignals, &TExitSignalsVexaRM::ExitRequested, [&] {
        exitTimer.start();
        exitStep();
    });

    // The ownership lock "Korvel_Vexa_SW" before anything touches the device.
    TSingleInstanceVexaRM instance;
    bool owned = instance.Acquire();
    // A running copy (or a sibling program) is brought to the front instead.
    if (TSingleInstanceVexaRM::ActivateRunning()) return 0;
    // Somebody holds the device without a window we know.
    if (!owned) {
        TOperatorDialogsVexaRM dialogs;
        dialogs.Ask(DialogStyle::Error, "Device in use by another application", kButtonOk);
        return 1;
    }

    // The splash screen, shown while the slow start-up below runs.
    auto splash = std::make_unique<TSplashScreenVexa>();
    splash->SetStatus(QStringLiteral("Application environment initialization"));
    splash->ShowNow();
    // The working folder, where the components load their settings from.
    TWorkingFolderVexaRM::Enter();
    // The main window: every component loads and registers before the
    // device starts, so that each hears the start-up notifications.
    TMainForm form;
    mainForm = &form;
    form.VirtualDriver().SetLibraryFolder(
        QFile::encodeName(TWorkingFolderVexaRM::DriverFolder(QApplication::applicationDirPath()))
            .toStdString());
    QObject::connect(&instance, &TSingleInstanceVexaRM::ActivateRequested, &form,
                     &TMainForm::Activate);
    QObject::connect(&form, &TMainForm::TitleChanged, &instance, [&instance](const QString &t) {
        instance.Listen(TMainForm::WindowClassName(), t);
    });
    instance.Listen(TMainForm::WindowClassName(), form.windowTitle());
    // The device start-up.
    splash->SetStatus(QStringLiteral("Device initialization"));
    form.VirtualScope().StartApplication();
    // The splash screen goes before any window of the running program.
    splash->close();
    splash.reset();
    if (form.VirtualDriver().TerminateApplication() || exitSignals.Requested()) {
        // The operator chose to quit in a start-up dialog, or a signal came
        // during the start: end without entering the message loop (closing
        // stops and saves as usual).
        form.close();
        return 0;
    }
    // The message loop until the main window closes.
    form.show();
    inMainLoop = true;
    int code = app.exec();
    exitTimer.stop();
    // The lock is released with the instance object, after the window
    // has stopped and saved everything.
    return code;
}

} // namespace vexa
