// The vertical slide: exact drawing of track, knob and mark, no trace of an
// old knob, and the mouse signals its owner works with.
#include "panel/PanelColorVexa.h"
#include "panel/VerticalSlideVexa.h"

#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexa;

namespace {

const QColor kBlack(0, 0, 0);
const uint32_t kRed = 0x000000FF;

void Prepare(TVerticalSlideVexa &slide, int position) {
    slide.SetBarWidth(17);
    slide.SetBarHeight(100);
    slide.SetBarColor(kRed);
    slide.resize(17, 115);
    slide.SetBarPosition(position);
    slide.show();
}

void SendMouse(QWidget &widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace

TEST(VerticalSlide, DrawsTrackKnobAndMarkAtTheirPixels) {
    TVerticalSlideVexa slide;
    Prepare(slide, 60);
    const QImage image = slide.grab().toImage();
    const QColor background = image.pixelColor(0, 0);
    const QColor bar = VexaToQColor(kRed);
    ASSERT_NE(background, kBlack);
    ASSERT_NE(background, bar);
    const int w2 = 17 / 2;
    // Track outline from x w2-2 to w2+1 and y 0 to BarHeight+5, inside in the bar colour.
    EXPECT_EQ(image.pixelColor(w2 - 2, 20), kBlack);
    EXPECT_EQ(image.pixelColor(w2 + 1, 20), kBlack);
    EXPECT_EQ(image.pixelColor(w2, 0), kBlack);
    EXPECT_EQ(image.pixelColor(w2, 105), kBlack);
    EXPECT_EQ(image.pixelColor(w2 - 1, 20), bar);
    EXPECT_EQ(image.pixelColor(w2, 104), bar);
    EXPECT_EQ(image.pixelColor(w2 - 3, 20), background);
    EXPECT_EQ(image.pixelColor(w2 + 2, 20), background);
    EXPECT_EQ(image.pixelColor(w2, 106), background);
    // Knob from x 2 to BarWidth-3, y 60 to 65, outlined; its mark on y 63.
    EXPECT_EQ(image.pixelColor(2, 62), kBlack);
    EXPECT_EQ(image.pixelColor(14, 62), kBlack);
    EXPECT_EQ(image.pixelColor(5, 60), kBlack);
    EXPECT_EQ(image.pixelColor(5, 65), kBlack);
    EXPECT_EQ(image.pixelColor(1, 62), background);
    EXPECT_EQ(image.pixelColor(15, 62), background);
    EXPECT_EQ(image.pixelColor(5, 59), background);
    EXPECT_EQ(image.pixelColor(5, 66), background);
    EXPECT_EQ(image.pixelColor(3, 61), bar);
    for (int x = w2 - 2; x <= w2 + 1; ++x)
        EXPECT_EQ(image.pixelColor(x, 63), kBlack) << x;
    EXPECT_EQ(image.pixelColor(w2 + 2, 63), bar);
    EXPECT_EQ(image.pixelColor(w2 - 3, 63), bar);
}

TEST(VerticalSlide, MovedKnobLeavesNoTraceOfTheOldOne) {
    TVerticalSlideVexa moved;
    Prepare(moved, 40);
    const QImage before = moved.grab().toImage();
    EXPECT_EQ(before.pixelColor(2, 42), kBlack);
    moved.SetBarPosition(60);
    EXPECT_EQ(moved.BarPosition(), 60);
    const QImage after = moved.grab().toImage();

    TVerticalSlideVexa fresh;
    Prepare(fresh, 60);
    EXPECT_EQ(after, fresh.grab().toImage());
    const QColor background = after.pixelColor(0, 0);
    for (int y = 40; y < 46; ++y) {
        EXPECT_EQ(after.pixelColor(2, y), background) << y;
        EXPECT_EQ(after.pixelColor(14, y), background) << y;
    }

    // A colour change repaints track and knob at once.
    moved.SetBarColor(0x00FF0000);
    EXPECT_EQ(moved.grab().toImage().pixelColor(3, 61), QColor(0, 0, 255));
}

TEST(VerticalSlide, ReportsPressMoveClickAndReleaseToItsOwner) {
    TVerticalSlideVexa slide;
    Prepare(slide, 60);
    std::vector<std::string> events;
    auto record = [&](const char *what) {
        return [&events, what](int x, int y, Qt::MouseButtons buttons) {
            events.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) +
                             (buttons & Qt::LeftButton ? " L" : ""));
        };
    };
    QObject::connect(&slide, &TVerticalSlideVexa::MousePressed, record("press"));
    QObject::connect(&slide, &TVerticalSlideVexa::MouseMoved, record("move"));
    QObject::connect(&slide, &TVerticalSlideVexa::MouseReleased, record("release"));
    QObject::connect(&slide, &TVerticalSlideVexa::Clicked, [&] { events.push_back("click"); });

    SendMouse(slide, QEvent::MouseButtonPress, {8, 62}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(slide, QEvent::MouseMove, {8, 70}, Qt::NoButton, Qt::LeftButton);
    SendMouse(slide, QEvent::MouseButtonRelease, {8, 70}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(events,
              (std::vector<std::string>{"press 8,62 L", "move 8,70 L", "click", "release 8,70 L"}));

    // Released outside the slide: no click, but the release is reported.
    events.clear();
    SendMouse(slide, QEvent::MouseButtonPress, {8, 62}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(slide, QEvent::MouseMove, {8, -30}, Qt::NoButton, Qt::LeftButton);
    SendMouse(slide, QEvent::MouseButtonRelease, {8, -30}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(events,
              (std::vector<std::string>{"press 8,62 L", "move 8,-30 L", "release 8,-30 L"}));
}
