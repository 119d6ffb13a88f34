// Builds a window with every front-panel widget in its states and saves a
// picture of it: panel_widgets_showcase <file.png>. Runs offscreen.
#include "panel/ChannelIndicationButtonVexa.h"
#include "panel/LongerTimeEditVexaRM.h"
#include "panel/NumEditVexa.h"
#include "panel/OnOffButtonVexa.h"
#include "panel/PanelGlyphsVexa.h"
#include "panel/UnitValueLabel.h"
#include "panel/VerticalSlideVexa.h"
#include "panel/VoltageValueEditVexa.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

#include <cstdio>

using namespace vexa;

namespace {

const uint32_t kColourA = 0x0000FFFF; // yellow (0x00BBGGRR)
const uint32_t kColourB = 0x00FFFF00; // cyan

QGroupBox *Group(QWidget *parent, const QString &title, QRect place) {
    auto *box = new QGroupBox(title, parent);
    box->setGeometry(place);
    return box;
}

TOnOffButtonVexa *OnOff(QWidget *parent, const QString &caption, QRect place, bool on,
                        bool enabled = true) {
    auto *button = new TOnOffButtonVexa(caption, parent);
    button->setGeometry(place);
    button->SetDown(on);
    button->setEnabled(enabled);
    return button;
}

// Where a caption goes on a channel-indication button: none, left of the
// marker frame, or right of it.
enum class CaptionSide { None, Left, Right };

TChannelIndicationButtonVexa *Channel(QWidget *parent, const QImage &glyph, int cells,
                                      const QString &caption, CaptionSide side, QRect place,
                                      uint32_t colour, bool latched) {
    auto *button = new TChannelIndicationButtonVexa(parent);
    button->SetGlyph(glyph);
    button->SetNumGlyphs(cells);
    button->SetCaption(caption);
    // The frame-only glyph goes to x 24, around the marker.
    if (side == CaptionSide::Left) {
        button->SetLayout(TGlyphButtonVexa::GlyphLayout::GlyphRight);
        button->SetMargin(place.width() - 34);
        button->SetSpacing(2);
    } else if (side == CaptionSide::Right) {
        button->SetLayout(TGlyphButtonVexa::GlyphLayout::GlyphLeft);
        button->SetMargin(24);
    }
    button->SetLatching(latched);
    button->SetDown(latched);
    button->SetChannelColor(colour);
    button->setGeometry(place);
    return button;
}

TUnitValueLabel *Unit(QWidget *parent, int type, double value, QRect place, bool invalid = false) {
    auto *label = new TUnitValueLabel(parent);
    label->SetControlType(type);
    label->SetMainValue(value);
    label->SetValueInValid(invalid);
    label->setGeometry(place);
    return label;
}

void Caption(QWidget *parent, const QString &text, QPoint at) {
    auto *label = new QLabel(text, parent);
    label->move(at);
    label->adjustSize();
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
        return 2;
    }
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);

    QWidget window;
    window.resize(640, 290);

    // On/off buttons: off, on, disabled; the sweep buttons with their strips.
    QGroupBox *channels = Group(&window, " Channels ", {4, 4, 86, 57});
    OnOff(channels, "A", {3, 14, 40, 22}, true);
    OnOff(channels, "B", {43, 14, 40, 22}, false);
    QGroupBox *mode = Group(&window, " Mode ", {4, 62, 86, 90});
    OnOff(mode, "BF", {3, 14, 40, 22}, false);
    OnOff(mode, "Line", {43, 14, 40, 22}, true);
    OnOff(mode, "Rew", {3, 38, 40, 22}, false);
    OnOff(mode, "Roll", {43, 38, 40, 22}, true);
    OnOff(mode, "Display  ", {3, 62, 80, 22}, true);
    OnOff(&window, "Grid", {4, 154, 86, 22}, false, false);
    QGroupBox *sweep = Group(&window, " DSP/SMP ", {4, 178, 86, 103});
    OnOff(sweep, "SNG", {3, 14, 40, 22}, false);
    OnOff(sweep, "Calc", {43, 14, 40, 22}, true);
    const struct {
        TPanelGlyphsVexa::SweepKind kind;
        int height;
        bool on;
        bool enabled;
        int x;
    } strips[] = {{TPanelGlyphsVexa::SweepKind::Maximum, 15, true, true, 3},
                  {TPanelGlyphsVexa::SweepKind::Average, 17, false, true, 30},
                  {TPanelGlyphsVexa::SweepKind::Minimum, 15, false, false, 57}};
    for (const auto &s : strips) {
        auto *button = OnOff(sweep, QString(), {s.x, 38, 26, 23}, s.on, s.enabled);
        button->SetGlyph(TPanelGlyphsVexa::SweepStrip(s.kind, s.height));
        button->SetMargin(-1);
    }
    OnOff(sweep, "Clear Scr", {3, 64, 80, 22}, false);

    // Channel-indication buttons: arrows, AC/DC up and latched, probe, GND.
    const QImage frame = TPanelGlyphsVexa::MarkerFrame();
    const QImage acdc = TPanelGlyphsVexa::AcDcStrip();
    const auto none = CaptionSide::None;
    QGroupBox *source = Group(&window, " Source ", {96, 4, 86, 116});
    Channel(source, frame, 1, "    1:1", CaptionSide::Right, {3, 14, 80, 24}, kColourA, false);
    Channel(source, frame, 1, "1:1000", CaptionSide::Right, {3, 38, 80, 24}, kColourB, false);
    Channel(source, acdc, 4, QString(), none, {3, 62, 39, 24}, kColourA, false);
    Channel(source, acdc, 4, QString(), none, {44, 62, 39, 24}, kColourB, true);
    Channel(source, frame, 1, "GND", CaptionSide::Left, {3, 86, 41, 24}, kColourA, true);
    Channel(source, frame, 1, "GND", CaptionSide::Left, {44, 86, 41, 24}, kColourB, false);

    QGroupBox *vertical = Group(&window, "Vertical", {96, 122, 86, 150});
    const QImage up = TPanelGlyphsVexa::ArrowUp();
    const QImage down = TPanelGlyphsVexa::ArrowDown();
    Channel(vertical, up, 1, QString(), none, {3, 14, 39, 24}, kColourA, false);
    Channel(vertical, up, 1, QString(), none, {44, 14, 39, 24}, kColourB, false);
    auto *slideA = new TVerticalSlideVexa(vertical);
    slideA->setGeometry(12, 41, 17, 80);
    slideA->SetBarHeight(80 - 15);
    slideA->SetBarColor(kColourA);
    slideA->SetBarPosition(20);
    slideA->SetBarPosition(40); // moved: the old knob must not show
    auto *slideB = new TVerticalSlideVexa(vertical);
    slideB->setGeometry(55, 41, 17, 80);
    slideB->SetBarHeight(80 - 15);
    slideB->SetBarColor(kColourB);
    slideB->SetBarPosition(8);
    // Held down by the mouse (momentary): the face sinks, the marker stays.
    Channel(vertical, down, 1, QString(), none, {3, 120, 39, 24}, kColourA, false)->setDown(true);
    Channel(vertical, down, 1, QString(), none, {44, 120, 39, 24}, kColourB, false);
    // The colour dialog's button: 41 x 20, "Set    ".
    Channel(&window, TPanelGlyphsVexa::MarkerFrame(20), 1, "Set    ", CaptionSide::Left,
            {188, 210, 41, 20}, 0x00808000, false);

    // Labels: every control type, invalid, a plain and a frozen safe label.
    QGroupBox *labels = Group(&window, " Labels ", {188, 4, 250, 200});
    const struct {
        int type;
        double value;
        bool invalid;
        const char *what;
    } readouts[] = {{1, 2500000, false, "1 time"},    {2, -1500, false, "2 voltage"},
                    {3, 1073741824, false, "3 size"}, {4, 5000, false, "4 deflection"},
                    {5, 5000, false, "5 s/div"},      {6, 2500, false, "6 rate"},
                    {7, 0, false, "7 Hz/div"},        {8, 0.5, false, "8 number"},
                    {9, 2000000, false, "9 samples"}, {2, 300, true, "invalid"}};
    int y = 16;
    for (const auto &r : readouts) {
        Caption(labels, r.what, {6, y});
        Unit(labels, r.type, r.value, {96, y, 146, 15}, r.invalid);
        y += 17;
    }
    auto *frozen = new TSafeLabel(labels);
    frozen->setGeometry(96, y, 146, 15);
    frozen->SetMouseSensitive(true);
    frozen->SetMyString("frozen\t12.5 MB");
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(frozen, &enter);
    frozen->SetMyString("dropped while hovered");
    Caption(labels, "safe, hovered", {6, y});

    // Edits: confirmed, unconfirmed (blue), failed entry, time, number, disabled.
    QGroupBox *edits = Group(&window, " Edits ", {444, 4, 190, 200});
    Caption(edits, "voltage", {6, 18});
    auto *voltage = new TVoltageValueEditVexa(edits);
    voltage->setGeometry(90, 16, 90, 21);
    voltage->SetVoltage(200);
    Caption(edits, "voltage, typed", {6, 44});
    auto *typed = new TVoltageValueEditVexa(edits);
    typed->setGeometry(90, 42, 90, 21);
    typed->SetVoltage(-1500);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, "5");
    QApplication::sendEvent(typed, &press);
    QApplication::sendEvent(typed, &release);
    Caption(edits, "length", {6, 70});
    auto *time = new TLongerTimeEditVexaRM(edits);
    time->setGeometry(90, 68, 90, 21);
    time->SetTimeValue(3723500);
    Caption(edits, "length, off", {6, 96});
    auto *timeOff = new TLongerTimeEditVexaRM(edits);
    timeOff->setGeometry(90, 94, 90, 21);
    timeOff->SetTimeValue(5400000);
    timeOff->setEnabled(false);
    Caption(edits, "number", {6, 122});
    auto *number = new TNumEditVexa(edits);
    number->setGeometry(90, 120, 90, 21);
    number->SetFloating(false);
    number->SetNumValue(300.4);
    Caption(edits, "number, float", {6, 148});
    auto *floating = new TNumEditVexa(edits);
    floating->setGeometry(90, 146, 90, 21);
    floating->SetNumValue(0.125);

    window.show();
    QApplication::processEvents();
    const QImage picture = window.grab().toImage().scaled(window.size() * 2);
    if (!picture.save(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
