// The demo setup, colour setup and about dialogs and the splash screen.
#include "forms/AboutForm.h"
#include "panel/ChannelIndicationButtonVexa.h"
#include "panel/ConvertErrorVexa.h"
#include "forms/DemoSetupForm.h"
#include "ModalHelper.h"
#include "panel/NumEditVexa.h"
#include "forms/SetColorForm.h"
#include "forms/SplashScreenVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace vexa;

namespace {

struct StoredScope {
    StoredScope() { scope.ApplyStoredValues(); }
    TVirtualScopeVexaRM scope;
};

} // namespace

TEST(DemoSetup, ShowsTheModelsValuesNotTheDesignTexts) {
    StoredScope s;
    TDemoSetupForm form;
    form.SetVirtualScope(&s.scope);
    EXPECT_EQ(form.PeriodChannelA()->text(), "1000");
    EXPECT_EQ(form.PeriodChannelB()->text(), "2000");
    EXPECT_EQ(form.AmpChannelA()->text(), "3000");
    EXPECT_EQ(form.AmpChannelB()->text(), "2000");
    EXPECT_EQ(form.NoiseChannelA()->text(), "0");
    EXPECT_EQ(form.NoiseChannelB()->text(), "0");
    EXPECT_EQ(form.windowTitle(), "Demo setup");
    EXPECT_EQ(form.AmplitudeLabel()->toolTip(), "Set the demo waveform amplitude");
}

TEST(DemoSetup, RoundsHalvesToEvenAndStopsAtTheBadField) {
    StoredScope s;
    TDemoSetupForm form;
    form.SetVirtualScope(&s.scope);
    form.PeriodChannelA()->setText("1.6");
    form.PeriodChannelB()->setText("2.5");
    form.AmpChannelA()->setText("3,5");
    form.AmpChannelB()->setText("-0.5");
    form.NoiseChannelA()->setText("7");
    form.NoiseChannelB()->setText("8");
    form.ApplyTo(s.scope);
    EXPECT_EQ(s.scope.PeriodA(), 2);
    EXPECT_EQ(s.scope.PeriodB(), 2);
    EXPECT_EQ(s.scope.AmplitudeA(), 4);
    EXPECT_EQ(s.scope.AmplitudeB(), 0);
    EXPECT_EQ(s.scope.NoiseA(), 7);
    EXPECT_EQ(s.scope.NoiseB(), 8);

    // AmplitudeA holds no number: the periods are applied, the rest not.
    form.PeriodChannelA()->setText("11");
    form.PeriodChannelB()->setText("12");
    form.AmpChannelA()->setText("1-2");
    form.AmpChannelB()->setText("14");
    form.NoiseChannelA()->setText("15");
    try {
        form.ApplyTo(s.scope);
        FAIL() << "no conversion error";
    } catch (const EConvertErrorVexa &e) {
        EXPECT_STREQ(e.what(), "'1-2' is not a valid floating point value");
    }
    EXPECT_EQ(s.scope.PeriodA(), 11);
    EXPECT_EQ(s.scope.PeriodB(), 12);
    EXPECT_EQ(s.scope.AmplitudeA(), 4);
    EXPECT_EQ(s.scope.AmplitudeB(), 0);
    EXPECT_EQ(s.scope.NoiseA(), 7);

    // An empty field is no number either.
    form.AmpChannelA()->setText("");
    EXPECT_THROW(form.ApplyTo(s.scope), EConvertErrorVexa);
}

TEST(DemoSetup, HugeValuesStayInsideTheIntegerRange) {
    EXPECT_EQ(TDemoSetupForm::RoundToInt(1e12), 2147483647);
    EXPECT_EQ(TDemoSetupForm::RoundToInt(-1e12), -2147483647 - 1);
    EXPECT_EQ(TDemoSetupForm::RoundToInt(-2.5), -2);
    EXPECT_EQ(TDemoSetupForm::RoundToInt(3.5), 4);
}

TEST(DemoSetup, OkAndCancelGiveTheirResults) {
    TDemoSetupForm form;
    test::WhenModal([](QWidget *w) {
        auto *d = qobject_cast<TDemoSetupForm *>(w);
        ASSERT_NE(d, nullptr);
        d->Button1()->click();
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
}

TEST(SetColor, ShowsTheModelsColoursAndCopiesThemBackOnOk) {
    StoredScope s;
    TSetColorForm form;
    form.SetVirtualScope(&s.scope);
    EXPECT_EQ(form.ColorA(), 0x40FF00u);
    EXPECT_EQ(form.ColorB(), 0x00FFFFu);
    EXPECT_EQ(form.ColorGrid(), 0xFFFFFFu);
    EXPECT_EQ(form.ColorBackground(), 0x000000u);
    EXPECT_EQ(form.LastColor(), QColor(Qt::black)); // first opening: black

    // Set A to red through the common dialog; it opens on black.
    test::WhenModal([](QWidget *w) {
        auto *cd = qobject_cast<QColorDialog *>(w);
        ASSERT_NE(cd, nullptr);
        EXPECT_EQ(cd->currentColor(), QColor(Qt::black));
        cd->setCurrentColor(QColor(255, 0, 0));
        cd->accept();
    });
    form.ButtonSetColorA()->click();
    EXPECT_EQ(form.ColorA(), 0x0000FFu);
    // The grid row opens on the colour last chosen (red), not on its own.
    test::WhenModal([](QWidget *w) {
        auto *cd = qobject_cast<QColorDialog *>(w);
        ASSERT_NE(cd, nullptr);
        EXPECT_EQ(cd->currentColor(), QColor(255, 0, 0));
        cd->setCurrentColor(QColor(0, 0, 255));
        cd->reject(); // cancelling changes nothing
    });
    form.ButtonSetColorGrid()->click();
    EXPECT_EQ(form.ColorGrid(), 0xFFFFFFu);
    EXPECT_EQ(form.LastColor(), QColor(255, 0, 0));

    // The model is untouched until the main window applies the dialog.
    EXPECT_EQ(s.scope.ColorChannelA(), 0x40FF00u);
    s.scope.SetGridBrightness(50);
    form.ApplyTo(s.scope);
    EXPECT_EQ(s.scope.ColorChannelA(), 0x0000FFu);
    EXPECT_EQ(s.scope.ColorGrid(), 0xFFFFFFu);
    EXPECT_EQ(s.scope.RealGridColor(), 0x808080u);
}

TEST(SetColor, EnterConfirmsAndEscapeCancels) {
    TSetColorForm form;
    test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    test::WhenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
    EXPECT_TRUE(form.ButtonCancel()->isDefault());
}

// The focus chain of a shown dialog, from the widget that has the focus
// when it opens, one Tab at a time until it comes round.
std::vector<QWidget *> TabChain(QDialog &dialog) {
    dialog.show();
    dialog.activateWindow();
    std::vector<QWidget *> chain;
    if (!QTest::qWaitForWindowActive(&dialog)) return chain;
    for (QWidget *w = dialog.focusWidget(); w && chain.size() < 20;) {
        chain.push_back(w);
        QTest::keyClick(w, Qt::Key_Tab);
        w = dialog.focusWidget();
        if (w == chain.front()) break;
    }
    return chain;
}

TEST(Dialogs, TabFollowsTheLayoutAndEveryControlIsReached) {
    StoredScope s;
    TDemoSetupForm demo;
    demo.SetVirtualScope(&s.scope);
    // Channel A, channel B, the noise row, OK, Cancel.
    EXPECT_EQ(TabChain(demo),
              (std::vector<QWidget *>{demo.AmpChannelA(), demo.PeriodChannelA(), demo.AmpChannelB(),
                                      demo.PeriodChannelB(), demo.NoiseChannelA(),
                                      demo.NoiseChannelB(), demo.Button1(), demo.Button2()}));

    // OK holds the focus at the start; the "Set" column is reached too,
    // and Space on a "Set" button opens the colour dialog.
    TSetColorForm colours;
    EXPECT_EQ(
        TabChain(colours),
        (std::vector<QWidget *>{colours.ButtonOK(), colours.ButtonCancel(),
                                colours.ButtonSetColorA(), colours.ButtonSetColorB(),
                                colours.ButtonSetColorGrid(), colours.ButtonSetColorBackground()}));
    bool opened = false;
    test::WhenModal([&opened](QWidget *w) {
        opened = qobject_cast<QColorDialog *>(w) != nullptr;
        if (auto *d = qobject_cast<QDialog *>(w)) d->reject();
    });
    colours.ButtonSetColorB()->setFocus();
    QTest::keyClick(colours.ButtonSetColorB(), Qt::Key_Space);
    EXPECT_TRUE(opened);

    // The links are the mouse's; the Help menu opens both from the keyboard.
    TAboutForm about;
    EXPECT_EQ(TabChain(about), std::vector<QWidget *>{about.DialogOK()});
}

TEST(AboutAndSplash, TextsAndPicture) {
    TAboutForm about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.size(), QSize(392, 247));
    EXPECT_EQ(about.Find()->text(), "Find us at:");
    EXPECT_EQ(about.SoftwareVersionLabel()->text(), "Software version:");
    about.SetSoftwareVersion("1.02");
    EXPECT_EQ(about.DeviceObtainedVersionLabel()->text(), "1.02");
    ASSERT_NE(about.BackroundImage()->pixmap().isNull(), true);
    EXPECT_EQ(about.BackroundImage()->pixmap().size(), QSize(390, 249));

    TSplashScreenVexa splash;
    EXPECT_EQ(splash.size(), QSize(391, 278));
    EXPECT_EQ(splash.windowTitle(), "Vexa series scope");
    splash.SetStatus("Device initialization");
    EXPECT_EQ(splash.Status(), "Device initialization");
    EXPECT_FALSE(splash.SplashBackround()->pixmap().isNull());
}
