// The thread-safe labels: texts from a worker thread while the label is and
// is not hovered, the hover freeze, and the unit label as the model's readout.
#include "panel/SafeLabel.h"
#include "panel/UnitValueLabel.h"
#include "panel/ValueTextVexa.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLocale>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vexa;

namespace {

// Remembers what each paint showed.
class WatchedLabel : public TSafeLabel {
public:
    int Paints = 0;
    QString LastPainted;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++Paints;
        LastPainted = MyString();
        TSafeLabel::paintEvent(event);
    }
};

// Counts its paints.
class WatchedBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++Paints;
        QGroupBox::paintEvent(event);
    }
};

void Hover(QWidget &widget, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget.mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(&widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&widget, &leave);
    }
}

// Writes `count` texts "<prefix><i>" from a worker thread, one every 200 us
// (several thousand a second), while the main thread keeps painting.
void WriteFromWorker(TSafeLabel &label, const QString &prefix, int count) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= count; ++i) {
            label.SetMyString(prefix + QString::number(i));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    // The newest text reaches the screen within one frame interval.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(120);
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

TEST(SafeLabel, NewestTextFromAWorkerIsPaintedAndRequestsCoalesce) {
    WatchedLabel label;
    label.resize(120, 16);
    label.show();
    QCoreApplication::processEvents();
    const int paintsBefore = label.Paints;

    WriteFromWorker(label, "v", 2000);
    EXPECT_EQ(label.MyString(), "v2000");
    EXPECT_EQ(label.LastPainted, "v2000");
    EXPECT_GT(label.Paints, paintsBefore);
    // Thousands of texts a second cost at most one repaint per frame.
    EXPECT_LT(label.Paints - paintsBefore, 100);
    EXPECT_FALSE(label.Bold());
}

TEST(SafeLabel, HoveredSensitiveLabelFreezesAndStaysBoldUntilTheNextText) {
    WatchedLabel label;
    label.SetMouseSensitive(true);
    label.setGeometry(300, 300, 120, 16);
    label.show();
    QCoreApplication::processEvents();
    Hover(label, false); // in case the window appeared under the pointer
    label.SetMyString("12.5 MB");
    EXPECT_FALSE(label.Bold());
    QCoreApplication::processEvents();
    const QImage plain = label.grab().toImage();

    Hover(label, true);
    EXPECT_TRUE(label.MouseInside());
    EXPECT_TRUE(label.Bold());
    WriteFromWorker(label, "w", 500);
    EXPECT_EQ(label.MyString(), "12.5 MB");
    EXPECT_EQ(label.LastPainted, "12.5 MB");
    EXPECT_TRUE(label.UpdateHeld());
    const QImage frozen = label.grab().toImage();
    EXPECT_NE(frozen, plain); // drawn bold

    Hover(label, false);
    EXPECT_FALSE(label.MouseInside());
    EXPECT_TRUE(label.Bold());
    EXPECT_EQ(label.MyString(), "12.5 MB");

    label.SetMyString("12.5 MB");
    EXPECT_FALSE(label.Bold());
    EXPECT_EQ(label.grab().toImage(), plain);

    // A label that is not mouse-sensitive ignores the pointer.
    label.SetMouseSensitive(false);
    Hover(label, true);
    EXPECT_FALSE(label.MouseInside());
    label.SetMyString("13 MB");
    EXPECT_EQ(label.MyString(), "13 MB");
    EXPECT_FALSE(label.Bold());
}

TEST(UnitValueLabel, FormatsOnEverySetterAndServesAsTheModelsReadout) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TUnitValueLabel label;
    label.resize(120, 16);
    label.show();
    label.SetControlType(kUnitTypeVoltage);
    label.SetMainValue(-1500);
    EXPECT_EQ(label.MyString(), "-1.5V");
    label.SetControlType(kUnitTypeDeflection);
    EXPECT_EQ(label.MyString(), "-1500mV/d");
    label.SetControlType(0);
    EXPECT_EQ(label.MyString(), "-1500");
    label.SetControlType(kUnitTypeSize);
    label.SetValueInValid(true);
    EXPECT_EQ(label.MyString(), "N/A");
    label.SetValueInValid(false);

    IValueReadout &readout = label;
    std::atomic<bool> done{false};
    std::thread processing([&] {
        for (int i = 1; i <= 1000; ++i) {
            readout.SetValue(i * 1048576.0);
            readout.Repaint();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    processing.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(label.MyString(), "1000 MB");
    EXPECT_EQ(label.MainValue(), 1000 * 1048576.0);
    EXPECT_EQ(label.ShownNumber(), 1000);
    QLocale::setDefault(QLocale::c());
}

// The "Now" readout: a clipped sample carries its mark before the value, a
// cleared readout shows nothing, and the next value shows again.
TEST(UnitValueLabel, ClippedSamplesAreMarkedAndAClearedReadoutShowsNothing) {
    TUnitValueLabel label;
    label.SetControlType(kUnitTypeVoltage);
    IValueReadout &readout = label;
    readout.SetSample(-4000, SampleRange::AtBottom);
    EXPECT_EQ(label.MyString(), "<-4V");
    readout.SetSample(3969, SampleRange::AtTop);
    EXPECT_EQ(label.MyString(), ">3.969V");
    readout.SetSample(250.5, SampleRange::Within);
    EXPECT_EQ(label.MyString(), "250.5mV");
    readout.SetSample(-12, SampleRange::AtTop);
    readout.ClearValue();
    EXPECT_EQ(label.MyString(), "");
    label.SetControlType(kUnitTypeDeflection); // a cleared readout stays empty whatever it formats
    EXPECT_EQ(label.MyString(), "");
    label.SetControlType(kUnitTypeVoltage);
    readout.SetValue(-12); // a plain value carries no mark
    EXPECT_EQ(label.MyString(), "-12mV");
    readout.SetSample(5, SampleRange::AtBottom);
    label.SetControlType(kUnitTypeDeflection); // the mark stays with the sample it belongs to
    EXPECT_EQ(label.MyString(), "<5mV/d");
}

// A readout in a group box, fed from a worker: each new text repaints the
// label alone, over its own picture of the box behind it, which looks
// exactly like the box itself.
TEST(SafeLabel, WorkerTextsRepaintTheLabelAloneOverTheBoxBehindIt) {
    TFrameClockVexa clock(true); // frames only when the test ticks
    WatchedBox box(QStringLiteral("Channel A"));
    box.resize(160, 80);
    WatchedLabel label;
    label.setParent(&box);
    label.SetFrameClock(&clock);
    label.setGeometry(20, 30, 100, 18);
    box.show();
    QCoreApplication::processEvents();
    const QRect place = label.geometry();
    const QImage bare = box.grab().toImage().copy(place);
    EXPECT_FALSE(label.OwnBackground());

    // A text from a worker, then ticks until the clock serves the label;
    // returns the ticks that took.
    auto fromWorker = [&](const QString &text) {
        std::thread([&] { label.SetMyString(text); }).join();
        const int frames = clock.Frames();
        int ticks = 0;
        while (clock.Frames() == frames && ticks < 10) {
            clock.Tick();
            ++ticks;
        }
        QCoreApplication::processEvents();
        return ticks;
    };
    fromWorker(QStringLiteral("1.5mV")); // takes the picture behind the label
    EXPECT_TRUE(label.OwnBackground());
    const int boxPaints = box.Paints;
    const int labelPaints = label.Paints;
    // A readout repaints ten times a second at most: every third frame.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(fromWorker(QStringLiteral("%1mV").arg(i)), 3);
    EXPECT_EQ(box.Paints, boxPaints) << "a new text repainted the group box";
    EXPECT_EQ(label.Paints, labelPaints + 5);
    EXPECT_EQ(label.LastPainted, "4mV");

    fromWorker(QString());
    EXPECT_EQ(box.grab().toImage().copy(place), bare);
    // A new place is taken again at the next frame.
    label.move(24, 30);
    EXPECT_FALSE(label.OwnBackground());
    fromWorker(QStringLiteral("2mV"));
    EXPECT_TRUE(label.OwnBackground());
}
