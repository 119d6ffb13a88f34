// The main window's layout rule: where every panel goes for a client area
// of a given size. Pure geometry, so that the rule can be checked alone.
#pragma once

#include <QRect>

namespace vexa {

class TMainLayoutVexaRM {
public:
    // Rectangles of the main window's components (client coordinates).
    // Before Apply they hold the current geometry (their sizes matter),
    // after Apply the new one.
    QRect Channels, Mode, GridButton, GridBrightness, SweepPanel;
    QRect SavePanel, TimeBasePanel, RecordPanel, TriggerPanel, ARMPanel;
    QRect InfoPanelA, InfoPanelB, Source, VerticalShifts, Density;
    QRect Display, InactiveDispLabel;
    // Inside VerticalShifts (group-box coordinates).
    QRect SlideUpButtonA, SlideUpButtonB, VerticalSlideA, VerticalSlideB;
    QRect SlideDownButtonA, SlideDownButtonB;

    // Results besides the rectangles.
    int InfoPanelAShift = 0; // how far the contents of panel A move right
    int InfoPanelBShift = 0; // the same for panel B
    int BarHeight = 0;       // the slides' track length

    // Lays everything out for a client area of width w and height h.
    void Apply(int w, int h);

    // The design geometry of the main window (the sizes of every component
    // at the design client size).
    static TMainLayoutVexaRM Design();

    static int Bottom(const QRect &r) { return r.y() + r.height(); }
    static int Right(const QRect &r) { return r.x() + r.width(); }
};

} // namespace vexa
