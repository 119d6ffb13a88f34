// The glyph buttons: the lamp bitmap, latching and momentary clicks, the
// channel marker and the alignment of the glyph frames with it; the focus
// frame of every focusable panel widget.
#include "panel/ChannelIndicationButtonVexa.h"
#include "panel/OnOffButtonVexa.h"
#include "panel/PanelColorVexa.h"
#include "panel/PanelGlyphsVexa.h"
#include "panel/ScrollBarVexa.h"
#include "panel/VerticalSlideVexa.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vexa;

namespace {

QColor At(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

QImage Render(QWidget &widget) {
    return widget.grab().toImage();
}

// Counts the pixels of one colour inside a rectangle.
int Count(const QImage &image, const QRect &area, const QColor &colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

} // namespace

TEST(LampBitmap, FourCellsWithRingsAtTheDocumentedPlaces) {
    const QImage lamps = TPanelGlyphsVexa::OnOffLamps();
    ASSERT_EQ(lamps.size(), QSize(40, 10));
    EXPECT_EQ(lamps.format(), QImage::Format_Indexed8);
    const QColor grey(160, 160, 164);
    const QColor black(0, 0, 0);
    EXPECT_EQ(At(lamps, 0, 9), grey); // the transparent colour

    const QColor fills[4] = {{224, 64, 0}, {166, 202, 240}, {166, 202, 240}, {160, 224, 0}};
    for (int cell = 0; cell < 4; ++cell) {
        SCOPED_TRACE("cell " + std::to_string(cell));
        const int left = cell * 10;
        const QRect ring(left + 2, cell == 3 ? 0 : 4, 6, 6);
        const QRect inside = ring.adjusted(1, 1, -1, -1);
        // 4 x 4 fill, a black outline (its corners rounded off), grey elsewhere.
        EXPECT_EQ(Count(lamps, inside, fills[cell]), 16);
        EXPECT_EQ(Count(lamps, ring, black), 16);
        EXPECT_EQ(Count(lamps, QRect(left, 0, 10, 10), grey), 100 - 32);
        EXPECT_EQ(At(lamps, ring.left(), ring.top() + 2), black);
        EXPECT_EQ(At(lamps, ring.left() + 2, ring.bottom()), black);
    }
    // The latched lamp sits four pixels higher than the others.
    EXPECT_EQ(At(lamps, 34, 9), grey);
    EXPECT_EQ(At(lamps, 4, 9), black);
    EXPECT_EQ(At(lamps, 4, 0), grey);
    EXPECT_EQ(At(lamps, 34, 0), black);
}

TEST(OnOffButton, ClickLatchesBeforeClickedAndTheLampFollows) {
    TOnOffButtonVexa button("Grid");
    button.resize(81, 22);
    button.show();
    EXPECT_TRUE(button.Latching());
    EXPECT_EQ(button.NumGlyphs(), 4);
    EXPECT_EQ(button.Margin(), 1);
    EXPECT_EQ(button.Layout(), TGlyphButtonVexa::GlyphLayout::GlyphRight);

    std::vector<std::string> events;
    QObject::connect(&button, &TGlyphButtonVexa::MousePressed,
                     [&](int, int, Qt::MouseButtons) { events.push_back("press"); });
    QObject::connect(&button, &TGlyphButtonVexa::MouseReleased,
                     [&](int, int, Qt::MouseButtons) { events.push_back("release"); });
    QObject::connect(&button, &TGlyphButtonVexa::Clicked,
                     [&] { events.push_back(button.Down() ? "click:down" : "click:up"); });

    const QRect glyph = button.GlyphRect();
    EXPECT_EQ(glyph, QRect(81 - 1 - 10, 6, 10, 10)); // right edge, margin 1
    EXPECT_LT(button.CaptionRect().right(), glyph.left());
    QImage up = Render(button);
    EXPECT_EQ(At(up, glyph.x() + 4, glyph.y() + 6), QColor(224, 64, 0));
    // The transparent grey does not show; the face colour does.
    EXPECT_NE(At(up, glyph.x(), glyph.y()), QColor(160, 160, 164));

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(events, (std::vector<std::string>{"press", "release", "click:down"}));
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(button.GlyphCell(), 3);
    // Latched: raised green lamp, shifted one pixel with the sunken face.
    QImage down = Render(button);
    EXPECT_EQ(At(down, glyph.x() + 1 + 4, glyph.y() + 1 + 2), QColor(160, 224, 0));
    EXPECT_NE(At(down, glyph.x() + 1 + 4, glyph.y() + 1 + 6), QColor(224, 64, 0));

    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(events.back(), "click:up");

    button.setEnabled(false);
    EXPECT_EQ(button.GlyphCell(), 1);
    EXPECT_EQ(At(Render(button), glyph.x() + 4, glyph.y() + 6), QColor(166, 202, 240));
    button.setEnabled(true);
    button.SetDown(true);
    button.setDown(true); // the mouse holds it: the pressed cell wins
    EXPECT_EQ(button.GlyphCell(), 2);
}

TEST(ChannelIndicationButton, MarkerMovesWithTheLatchedFaceAndFlatKeepsItsOffset) {
    TChannelIndicationButtonVexa button;
    button.resize(39, 24);
    button.show();
    const uint32_t red = 0x000000FF; // 0x00BBGGRR
    button.SetChannelColor(red);
    const QColor marker = VexaToQColor(red);
    ASSERT_EQ(marker, QColor(255, 0, 0));

    EXPECT_FALSE(button.Latching());
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(button.Down()); // momentary

    QImage up = Render(button);
    EXPECT_EQ(button.ButtonDown(), 0);
    EXPECT_EQ(Count(up, QRect(0, 0, 39, 24), marker), 18);
    EXPECT_EQ(Count(up, QRect(26, 10, 6, 3), marker), 18);
    // Held down by the mouse, the marker sinks with the face.
    button.setDown(true);
    EXPECT_EQ(Count(Render(button), QRect(27, 11, 6, 3), marker), 18);
    EXPECT_EQ(button.ButtonDown(), 1);
    button.setDown(false);

    button.SetLatching(true);
    int clicks = 0;
    QObject::connect(&button, &TGlyphButtonVexa::Clicked, [&] { ++clicks; });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button.Down());
    QImage down = Render(button);
    EXPECT_EQ(button.ButtonDown(), 1);
    EXPECT_EQ(Count(down, QRect(27, 11, 6, 3), marker), 18);
    EXPECT_NE(At(down, 26, 10), marker);

    // A flat button keeps the offset it was given.
    button.SetDown(false);
    button.SetFlat(true);
    button.SetButtonDown(1);
    QImage flat = Render(button);
    EXPECT_EQ(button.ButtonDown(), 1);
    EXPECT_EQ(Count(flat, QRect(27, 11, 6, 3), marker), 18);

    // The colour setter repaints with the new colour.
    button.SetChannelColor(0x00FF0000); // blue
    EXPECT_EQ(Count(Render(button), QRect(27, 11, 6, 3), QColor(0, 0, 255)), 18);
}

TEST(ChannelIndicationButton, GlyphFramesSurroundTheMarkerUpAndLatched) {
    const QColor dark(64, 64, 64);
    const QColor light(255, 255, 255);
    struct Variant {
        const char *name;
        QImage glyph;
        int cells;
        int width;
        QString caption;
        int margin;
        int height;
    };
    const Variant variants[] = {
        {"arrow up", TPanelGlyphsVexa::ArrowUp(), 1, 39, QString(), -1, 24},
        {"arrow down", TPanelGlyphsVexa::ArrowDown(), 1, 39, QString(), -1, 24},
        {"ac/dc", TPanelGlyphsVexa::AcDcStrip(), 4, 39, QString(), -1, 24},
        // The frame-only glyph sits at x 24: right layout, margin width - 34.
        {"frame", TPanelGlyphsVexa::MarkerFrame(), 1, 41, "GND", 41 - 34, 24},
        {"frame, low button", TPanelGlyphsVexa::MarkerFrame(20), 1, 41, "Set    ", 41 - 34, 20},
    };
    for (const Variant &v : variants) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(v.glyph.pixelColor(0, v.glyph.height() - 1), QColor(160, 160, 164));
        TChannelIndicationButtonVexa button;
        button.SetGlyph(v.glyph);
        button.SetNumGlyphs(v.cells);
        button.SetCaption(v.caption);
        if (v.margin >= 0) {
            button.SetLayout(TGlyphButtonVexa::GlyphLayout::GlyphRight);
            button.SetMargin(v.margin);
        }
        button.SetLatching(true);
        button.SetChannelColor(0x0000FF00);
        button.resize(v.width, v.height);
        button.show();
        // A caption too wide for the room left of the frame shrinks, it is not cut.
        if (!v.caption.isEmpty()) {
            EXPECT_GE(button.CaptionRect().left(), 2);
            EXPECT_LE(button.CaptionRect().right(), 24);
        }
        for (int state = 0; state < 3; ++state) {
            const bool latched = state == 1;
            button.SetDown(latched);
            button.setDown(state == 2); // held by the mouse
            const QImage image = Render(button);
            const int d = state == 0 ? 0 : 1;
            EXPECT_EQ(Count(image, QRect(26 + d, 10 + d, 6, 3), QColor(0, 255, 0)), 18);
            EXPECT_EQ(At(image, 25 + d, 10 + d), dark) << latched;
            EXPECT_EQ(At(image, 28 + d, 9 + d), dark) << latched;
            EXPECT_EQ(At(image, 32 + d, 11 + d), light) << latched;
            EXPECT_EQ(At(image, 28 + d, 13 + d), light) << latched;
        }
    }
}

TEST(PanelGlyphs, AcDcStripShowsWaveUpAndLineWhenLatched) {
    const QImage strip = TPanelGlyphsVexa::AcDcStrip();
    ASSERT_EQ(strip.size(), QSize(148, 22));
    const QColor black(0, 0, 0);
    // The wave crosses several rows; the DC line is one straight row.
    auto rowsWithInk = [&](int cell) {
        int rows = 0;
        for (int y = 0; y < 22; ++y)
            rows += Count(strip, QRect(cell * 37 + 2, y, 20, 1), black) > 0 ? 1 : 0;
        return rows;
    };
    EXPECT_GE(rowsWithInk(0), 7);
    EXPECT_EQ(rowsWithInk(3), 2);                                // solid line over dashed line
    EXPECT_EQ(Count(strip, QRect(37 + 2, 0, 20, 22), black), 0); // disabled: grey ink

    for (auto kind : {TPanelGlyphsVexa::SweepKind::Minimum, TPanelGlyphsVexa::SweepKind::Maximum,
                      TPanelGlyphsVexa::SweepKind::Average}) {
        for (int height : {15, 17}) {
            const QImage sweep = TPanelGlyphsVexa::SweepStrip(kind, height);
            ASSERT_EQ(sweep.size(), QSize(68, height));
            EXPECT_EQ(sweep.pixelColor(0, height - 1), QColor(160, 160, 164));
            EXPECT_EQ(Count(sweep, QRect(0, 0, 17, height), QColor(224, 64, 0)), 16);
            EXPECT_EQ(Count(sweep, QRect(51, 0, 17, height), QColor(160, 224, 0)), 16);
        }
    }
}

// Each focusable widget of the panel shows a frame when Tab put the focus
// on it, and looks the same as without the focus when a click did.
TEST(FocusFrame, ShownAfterTabNotAfterAClick) {
    auto check = [](auto makeWidget, const char *name) {
        SCOPED_TRACE(name);
        QImage plain, tabbed, clicked;
        for (int pass = 0; pass < 2; ++pass) {
            QWidget window;
            auto *before = new TOnOffButtonVexa(QStringLiteral("A"), &window);
            before->setGeometry(0, 0, 40, 22);
            QWidget *w = makeWidget(&window);
            w->move(0, 30);
            window.resize(120, 160);
            window.show();
            window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            before->setFocus();
            if (pass == 0) {
                plain = Render(*w);
                QTest::keyClick(before, Qt::Key_Tab);
                ASSERT_EQ(QApplication::focusWidget(), w);
                tabbed = Render(*w);
            } else {
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
                ASSERT_EQ(QApplication::focusWidget(), w);
                clicked = Render(*w);
            }
        }
        EXPECT_NE(plain, tabbed);
        EXPECT_EQ(plain, clicked);
    };
    check(
        [](QWidget *p) {
            // Momentary, so that the click leaves the face as it was.
            auto *b = new TChannelIndicationButtonVexa(p);
            b->SetCaption(QStringLiteral("GND"));
            b->resize(40, 24);
            return b;
        },
        "glyph button");
    check(
        [](QWidget *p) {
            auto *s = new TVerticalSlideVexa(p);
            s->resize(24, 115);
            s->SetBarWidth(24);
            return s;
        },
        "slide");
    check(
        [](QWidget *p) {
            auto *s = new TScrollBarVexa(Qt::Horizontal, p);
            s->setRange(0, 15);
            s->resize(88, 16);
            return s;
        },
        "scroll bar");
}
