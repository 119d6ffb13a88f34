#include "MainLayoutVexaRM.h"

namespace vexa {

namespace {

void Place(QRect &r, int left, int top) {
    r.moveTo(left, top);
}

} // namespace

TMainLayoutVexaRM TMainLayoutVexaRM::Design() {
    TMainLayoutVexaRM d;
    d.Channels = QRect(0, 0, 86, 57);
    d.Mode = QRect(0, 57, 86, 90);
    d.GridButton = QRect(0, 149, 81, 22);
    d.GridBrightness = QRect(0, 173, 84, 14);
    d.SweepPanel = QRect(0, 187, 86, 103);
    d.SavePanel = QRect(0, 0, 121, 96);
    d.TimeBasePanel = QRect(0, 0, 193, 96);
    d.RecordPanel = QRect(0, 0, 186, 96);
    d.TriggerPanel = QRect(0, 0, 145, 96);
    d.ARMPanel = QRect(0, 0, 145, 96);
    d.InfoPanelA = QRect(86, 0, 386, 57);
    d.InfoPanelB = QRect(476, 0, 296, 57);
    d.Source = QRect(0, 0, 86, 93);
    d.VerticalShifts = QRect(0, 93, 86, 143);
    d.Density = QRect(0, 236, 86, 71);
    d.Display = QRect(87, 57, 585, 289);
    d.InactiveDispLabel = QRect(0, 0, 84, 24);
    d.SlideUpButtonA = QRect(6, 10, 37, 22);
    d.SlideUpButtonB = QRect(44, 10, 37, 22);
    d.VerticalSlideA = QRect(12, 35, 24, 79);
    d.VerticalSlideB = QRect(50, 35, 24, 79);
    d.SlideDownButtonA = QRect(6, 111, 37, 22);
    d.SlideDownButtonB = QRect(44, 111, 37, 22);
    return d;
}

void TMainLayoutVexaRM::Apply(int w, int h) {
    Place(Channels, 0, 0);
    Place(Mode, 0, Bottom(Channels));
    Place(GridButton, 0, Bottom(Mode) + 2);
    GridButton.setWidth(Mode.width());
    Place(GridBrightness, 0, Bottom(GridButton) + 2);
    GridBrightness.setWidth(Mode.width());
    Place(SweepPanel, 0, Bottom(GridBrightness));
    SweepPanel.setHeight(h - SweepPanel.y() - SavePanel.height());

    // Bottom row, centred, each panel at the right edge of the previous one.
    int sum = SavePanel.width() + TimeBasePanel.width() + RecordPanel.width() +
              TriggerPanel.width() + ARMPanel.width();
    int x = (w - sum) / 2;
    int top = Bottom(SweepPanel);
    Place(SavePanel, x, top);
    Place(TimeBasePanel, Right(SavePanel), top);
    Place(RecordPanel, Right(TimeBasePanel), top);
    Place(TriggerPanel, Right(RecordPanel), top);
    Place(ARMPanel, Right(TriggerPanel), top);

    // Information panels share the width between the side columns; their
    // contents keep their distance to the right edge.
    int infoWidth = (w - Channels.width() - Source.width() - 4) / 2;
    Place(InfoPanelA, Channels.width(), 0);
    InfoPanelAShift = infoWidth - InfoPanelA.width();
    InfoPanelA.setWidth(infoWidth);
    Place(InfoPanelB, Right(InfoPanelA) + 4, 0);
    InfoPanelBShift = infoWidth - InfoPanelB.width();
    InfoPanelB.setWidth(infoWidth);

    // Right column.
    Place(Source, w - Source.width(), 0);
    Place(VerticalShifts, Source.x(), Bottom(Source));
    VerticalShifts.setHeight(h - Density.height() - Source.height() - TimeBasePanel.height());

    // Inside the vertical shifts: buttons on top and bottom, slides between.
    SlideUpButtonA.moveTop(10);
    SlideUpButtonB.moveTop(10);
    int slideTop = SlideUpButtonA.height() + 10 + 3;
    int slideHeight =
        VerticalShifts.height() - SlideDownButtonA.height() - SlideUpButtonA.height() - 10;
    VerticalSlideA.moveTop(slideTop);
    VerticalSlideA.setHeight(slideHeight);
    VerticalSlideB.moveTop(slideTop);
    VerticalSlideB.setHeight(slideHeight);
    BarHeight = slideHeight - 15;
    SlideDownButtonA.moveTop(Bottom(VerticalSlideA) - 3);
    SlideDownButtonB.moveTop(Bottom(VerticalSlideA) - 3);

    Place(Density, Source.x(), Bottom(VerticalShifts));

    // Both displays in the same place.
    Place(Display, Mode.width() + 1, InfoPanelA.height());
    Display.setWidth(Source.x() - Display.x() - 1);
    Display.setHeight(TimeBasePanel.y() - Display.y());

    Place(InactiveDispLabel, Display.x() + (Display.width() - InactiveDispLabel.width()) / 2,
          Display.y() + (Display.height() - InactiveDispLabel.height()) / 2);
}

} // namespace vexa
