#include "ProgramStartVexaRM.h"

#include "MainForm.h"
#include "OperatorDialogsVexaRM.h"
#include "SingleInstanceVexaRM.h"
#include "SplashScreenVexa.h"
#include "VirtualDriverVexaRM.h"
#include "VirtualScopeVexaRM.h"
#include "WorkingFolderVexaRM.h"

#include <QApplication>
#include <QFont>

#include <memory>

namespace vexa {

int TProgramStartVexaRM::Run(int argc, char **argv) {
    // 1. The application object.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexa_RollMode"));
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
    // One look on every desktop: framed group boxes, compact controls.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);

    // 2. The ownership lock "Korvel_Vexa_SW".
    TSingleInstanceVexaRM instance;
    bool owned = instance.Acquire();
    // 3, 4. A running copy (or a sibling program) is brought to the front.
    if (TSingleInstanceVexaRM::ActivateRunning()) return 0;
    // 5. Somebody holds the device without a window we know.
    if (!owned) {
        TOperatorDialogsVexaRM dialogs;
        dialogs.Ask(DialogStyle::Error, "Device in use by another application", kButtonOk);
        return 1;
    }

    // 6.1 Splash screen.
    auto splash = std::make_unique<TSplashScreenVexa>();
    splash->SetStatus(QStringLiteral("Application environment initialization"));
    splash->ShowNow();
    // 6.2 Working folder.
    TWorkingFolderVexaRM::Enter();
    // 6.3 Main window: every component loads and registers.
    TMainForm form;
    QObject::connect(&instance, &TSingleInstanceVexaRM::ActivateRequested, &form,
                     &TMainForm::Activate);
    QObject::connect(&form, &TMainForm::TitleChanged, &instance, [&instance](const QString &t) {
        instance.Listen(TMainForm::WindowClassName(), t);
    });
    instance.Listen(TMainForm::WindowClassName(), form.windowTitle());
    // 6.4, 6.5 Device start-up.
    splash->SetStatus(QStringLiteral("Device initialization"));
    form.VirtualScope().StartApplication();
    // 6.6 The splash screen goes.
    splash->close();
    splash.reset();
    if (form.VirtualDriver().TerminateApplication()) {
        // The operator chose to quit in a start-up dialog: end without
        // entering the message loop (closing stops and saves as usual).
        form.close();
        return 0;
    }
    // 6.7 Message loop until the main window closes.
    form.show();
    int code = app.exec();
    // 6.8 The lock is released with the instance object.
    return code;
}

} // namespace vexa
