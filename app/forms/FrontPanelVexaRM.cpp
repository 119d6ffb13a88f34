#include "FrontPanelVexaRM.h"

#include "CaptionLabelVexaRM.h"
#include "panel/ChannelIndicationButtonVexa.h"
#include "LampShapeVexaRM.h"
#include "panel/LongerTimeEditVexaRM.h"
#include "panel/OnOffButtonVexa.h"
#include "panel/PanelGlyphsVexa.h"
#include "panel/ScrollBarVexa.h"
#include "panel/UnitValueLabel.h"
#include "panel/ValueTextVexa.h"
#include "panel/VerticalSlideVexa.h"
#include "panel/VoltageValueEditVexa.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace vexa {

namespace {

QGroupBox *Group(QWidget *parent, const QString &caption, int w, int h) {
    auto *g = new QGroupBox(caption, parent);
    g->resize(w, h);
    return g;
}

TOnOffButtonVexa *OnOff(QWidget *parent, const QString &caption, int x, int y, int w, int h) {
    auto *b = new TOnOffButtonVexa(caption, parent);
    b->setGeometry(x, y, w, h);
    return b;
}

TChannelIndicationButtonVexa *Marker(QWidget *parent, const QString &caption, const QImage &glyph,
                                     int cells, bool latching, int x, int y, int w, int h) {
    auto *b = new TChannelIndicationButtonVexa(parent);
    b->SetCaption(caption);
    b->SetGlyph(glyph);
    b->SetNumGlyphs(cells);
    b->SetLatching(latching);
    b->setGeometry(x, y, w, h);
    if (!caption.isEmpty()) {
        // The colour marker sits at a fixed place (x 26..31): the frame
        // glyph goes around it and the caption, right-aligned, ends before
        // it; a condensed face keeps "1:1000" readable there.
        b->SetLayout(TGlyphButtonVexa::GlyphLayout::GlyphRight);
        b->SetMargin(w - 24 - glyph.width());
        b->SetSpacing(0);
        QFont f = b->font();
        f.setStretch(QFont::Condensed);
        f.setPointSize(7);
        b->setFont(f);
    }
    return b;
}

TUnitValueLabel *Readout(QWidget *parent, int type, int x, int y, int w, int h = 15) {
    auto *l = new TUnitValueLabel(parent);
    l->SetControlType(type);
    l->setGeometry(x, y, w, h);
    return l;
}

QLabel *Text(QWidget *parent, const QString &text, int x, int y, int w, int h = 15) {
    auto *l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    return l;
}

QPushButton *Small(QWidget *parent, const QString &caption, int x, int y, int w, int h) {
    auto *b = new QPushButton(caption, parent);
    b->setGeometry(x, y, w, h);
    b->setAutoDefault(false);
    return b;
}

QScrollBar *Bar(QWidget *parent, int min, int max, int x, int y, int w, int h) {
    auto *s = new TScrollBarVexa(Qt::Horizontal, parent);
    s->setRange(min, max);
    s->setPageStep(1);
    s->setGeometry(x, y, w, h);
    return s;
}

TVoltageValueEditVexa *Voltage(QWidget *parent, int x, int y, int w, int h) {
    auto *e = new TVoltageValueEditVexa(parent);
    e->setGeometry(x, y, w, h);
    return e;
}

QWidget *ColourSpot(QWidget *parent, int x, int y) {
    auto *w = new QWidget(parent);
    w->setGeometry(x, y, 12, 12);
    w->setAutoFillBackground(true);
    return w;
}

} // namespace

TFrontPanelVexaRM::TFrontPanelVexaRM(QWidget *parent) : QWidget(parent) {
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    BuildLeftColumn();
    BuildBottomRow();
    BuildInfoPanels();
    BuildRightColumn();

    FInactiveDispLabel = new TCaptionLabelVexaRM(QStringLiteral("Display off"), this);
    QFont big = FInactiveDispLabel->font();
    big.setPointSize(14);
    big.setBold(true);
    FInactiveDispLabel->setFont(big);
    FInactiveDispLabel->setAlignment(Qt::AlignCenter);
    FInactiveDispLabel->resize(qMax(84, FInactiveDispLabel->sizeHint().width()), 24);
    FInactiveDispLabel->setAutoFillBackground(true);
    FInactiveDispLabel->hide();

    FLayout = TMainLayoutVexaRM::Design();
    FLayout.InactiveDispLabel.setSize(FInactiveDispLabel->size());
    setMinimumSize(NeededSize());
    SetTabOrder();

    // Start and Stop from anywhere in the window.
    auto *start = new QShortcut(QKeySequence(kStartKey), this);
    connect(start, &QShortcut::activated, FStartRecordButtonVexa1, &QAbstractButton::click);
    auto *stop = new QShortcut(QKeySequence(kStopKey), this);
    connect(stop, &QShortcut::activated, FStopRecordButtonVexa2, &QAbstractButton::click);
}

QSize TFrontPanelVexaRM::NeededSize() const {
    // Room below a group's last control, as above its first.
    constexpr int kGroupMargin = 5;
    // The shortest slide track that still moves the trace visibly.
    constexpr int kShortestSlide = 35;
    const TMainLayoutVexaRM &d = FLayout;
    const int bottomRow = d.SavePanel.width() + d.TimeBasePanel.width() + d.RecordPanel.width() +
                          d.TriggerPanel.width() + d.ARMPanel.width();
    // The information panels' contents keep their distance to the right
    // edge; the leftmost of them sets the panels' smallest width.
    int infoContents = 0;
    for (QGroupBox *box : {FInfoPanelA, FInfoPanelB})
        for (QWidget *child : box->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            infoContents = std::max(infoContents, box->width() - child->x());
    const int infoRow =
        d.Channels.width() + d.Source.width() + 4 + 2 * (infoContents + kGroupMargin);
    const int left = TMainLayoutVexaRM::Bottom(d.GridBrightness) +
                     FSweepPanel->childrenRect().bottom() + 1 + kGroupMargin;
    const int vertical =
        d.SlideUpButtonA.height() + d.SlideDownButtonA.height() + 10 + kShortestSlide;
    const int right = d.Source.height() + vertical + d.Density.height();
    return QSize(std::max(bottomRow, infoRow), std::max(left, right) + d.TimeBasePanel.height());
}

void TFrontPanelVexaRM::SetTabOrder() {
    // Down the left column, then the right column beside the display, then
    // the bottom row from left to right; inside a group row by row.
    QWidget *const order[] = {
        FChannelButtonA, FChannelButtonB, FBeamButton, FLineButton, FRewButtonVexa1,
        FRollButtonVexa2, FDisplayButtonVexa, FGridButtonVexa3, FGridBrightness, FSweepSingleButton,
        FSweepCalcButton, FSweepMaximum, FSweepAverage, FSweepMinimum, FClearScreen,
        // Right column.
        FProbeButtonA, FProbeButtonB, FACDCButtonA, FACDCButtonB, FGNDButtonA, FGNDButtonB,
        FSlideUpButtonA, FSlideUpButtonB, FVerticalSlideA, FVerticalSlideB, FSlideDownButtonA,
        FSlideDownButtonB, FDensityUpButtonA, FDensityUpButtonB, FDensityDownButtonA,
        FDensityDownButtonB,
        // Bottom row.
        FSaveFileEdit, FSaveFileBrowseButton, FClearFileButton, FSaveButton, FSmpScrollBar,
        FDSPScrollBar, FDefRecordButtonVexa1, FContRecordButtonVexa1, FTRRecordButtonVexa1,
        FFRRecordButtonVexa1, FLongerTimeEditVexaRM1, FStartRecordButtonVexa1,
        FStopRecordButtonVexa2, FTriggerAButtonVexa1, FTriggerAUnderOverButton, FTriggerAVoltage,
        FTriggerBButtonVexa1, FTriggerBUnderOverButton, FTriggerBVoltage, FTriggersRelationButton,
        FARMSourceA, FArmUnderA, FArmVoltageA, FArmSourceB, FArmUnderB, FArmVoltageB, FARMSourceE,
        FArmUnderExternal};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // The first control holds the focus when the window opens.
    order[0]->setFocus();
}

void TFrontPanelVexaRM::BuildLeftColumn() {
    FChannels = Group(this, QStringLiteral(" Channels "), 86, 57);
    FChannelButtonA = OnOff(FChannels, QStringLiteral("A"), 5, 22, 37, 24);
    FChannelButtonB = OnOff(FChannels, QStringLiteral("B"), 44, 22, 37, 24);

    FMode = Group(this, QStringLiteral(" Mode "), 86, 90);
    FBeamButton = OnOff(FMode, QStringLiteral("BF"), 4, 17, 39, 22);
    FLineButton = OnOff(FMode, QStringLiteral("Line"), 44, 17, 39, 22);
    FRewButtonVexa1 = OnOff(FMode, QStringLiteral("Rew"), 4, 41, 39, 22);
    FRollButtonVexa2 = OnOff(FMode, QStringLiteral("Roll"), 44, 41, 39, 22);
    FDisplayButtonVexa = OnOff(FMode, QStringLiteral("Display  "), 4, 65, 79, 22);

    FGridButtonVexa3 = OnOff(this, QStringLiteral("Grid"), 0, 149, 81, 22);
    FGridBrightness = Bar(this, 25, 100, 0, 173, 84, 14);

    FSweepPanel = Group(this, QStringLiteral(" DSP/SMP "), 86, 103);
    FSweepSingleButton = OnOff(FSweepPanel, QStringLiteral("SNG"), 4, 17, 39, 22);
    FSweepCalcButton = OnOff(FSweepPanel, QStringLiteral("Calc"), 44, 17, 39, 22);
    auto sweep = [this](TPanelGlyphsVexa::SweepKind kind, const QString &caption, int y) {
        auto *b = new TOnOffButtonVexa(caption, FSweepPanel);
        b->SetGlyph(TPanelGlyphsVexa::SweepStrip(kind, 17));
        b->SetNumGlyphs(4);
        b->setGeometry(4, y, 79, 22);
        return b;
    };
    FSweepMaximum = sweep(TPanelGlyphsVexa::SweepKind::Maximum, QStringLiteral("Max"), 43);
    FSweepAverage = sweep(TPanelGlyphsVexa::SweepKind::Average, QStringLiteral("Avg"), 66);
    FSweepMinimum = sweep(TPanelGlyphsVexa::SweepKind::Minimum, QStringLiteral("Min"), 89);
    FClearScreen = OnOff(FSweepPanel, QStringLiteral("Clear Scr"), 4, 116, 79, 22);
}

void TFrontPanelVexaRM::BuildBottomRow() {
    FSavePanel = Group(this, QStringLiteral(" Save "), 121, 96);
    FSaveFileEdit = new QLineEdit(FSavePanel);
    FSaveFileEdit->setGeometry(5, 17, 88, 22);
    FSaveFileBrowseButton = new TGlyphButtonVexa(FSavePanel);
    FSaveFileBrowseButton->SetCaption(QStringLiteral("..."));
    FSaveFileBrowseButton->setGeometry(95, 17, 21, 22);
    FClearFileButton = OnOff(FSavePanel, QStringLiteral("CLF"), 5, 43, 54, 22);
    FSaveButton = OnOff(FSavePanel, QStringLiteral("Save"), 62, 43, 54, 22);
    FSizeLabel = Text(FSavePanel, QStringLiteral("Size:"), 6, 72, 30);
    FFileSizeLabel = Readout(FSavePanel, kUnitTypeSize, 38, 72, 78);

    FTimeBasePanel =
        Group(this, QStringLiteral("  SMP          Time Base           DSP    "), 193, 96);
    FSmpScrollBar = Bar(FTimeBasePanel, 0, 15, 5, 20, 88, 16);
    FDSPScrollBar = Bar(FTimeBasePanel, 0, 16, 100, 20, 88, 16);
    FSamplesPerSecond = Readout(FTimeBasePanel, kUnitTypeSamplingRate, 6, 42, 88);
    FDSP_SMP = Readout(FTimeBasePanel, kUnitTypeSamples, 6, 62, 88);
    FSecondPerDivider = Readout(FTimeBasePanel, kUnitTypeTimePerDivision, 101, 42, 90);
    FFreqPerDiv = Readout(FTimeBasePanel, kUnitTypeFrequencyPerDiv, 101, 62, 90);

    FRecordPanel = Group(this, QStringLiteral(" Record "), 186, 96);
    FDefRecordButtonVexa1 = OnOff(FRecordPanel, QStringLiteral("DEF"), 5, 17, 42, 22);
    FContRecordButtonVexa1 = OnOff(FRecordPanel, QStringLiteral("Cont"), 48, 17, 42, 22);
    FTRRecordButtonVexa1 = OnOff(FRecordPanel, QStringLiteral("TR"), 96, 17, 42, 22);
    FFRRecordButtonVexa1 = OnOff(FRecordPanel, QStringLiteral("FR"), 139, 17, 42, 22);
    FLengthLabel = Text(FRecordPanel, QStringLiteral("Length:"), 6, 46, 44);
    FLongerTimeEditVexaRM1 = new TLongerTimeEditVexaRM(FRecordPanel);
    FLongerTimeEditVexaRM1->setGeometry(52, 43, 129, 22);
    FStartRecordButtonVexa1 = OnOff(FRecordPanel, QStringLiteral("Start"), 5, 69, 85, 22);
    FStopRecordButtonVexa2 = OnOff(FRecordPanel, QStringLiteral("Stop"), 96, 69, 85, 22);

    FTriggerPanel = Group(this, QStringLiteral(" Trigger "), 145, 96);
    FTriggerAButtonVexa1 = OnOff(FTriggerPanel, QStringLiteral("A"), 5, 17, 36, 22);
    FTriggerAUnderOverButton = Small(FTriggerPanel, QStringLiteral(">"), 43, 17, 22, 22);
    FTriggerAVoltage = Voltage(FTriggerPanel, 67, 17, 73, 22);
    FTriggerBButtonVexa1 = OnOff(FTriggerPanel, QStringLiteral("B"), 5, 42, 36, 22);
    FTriggerBUnderOverButton = Small(FTriggerPanel, QStringLiteral(">"), 43, 42, 22, 22);
    FTriggerBVoltage = Voltage(FTriggerPanel, 67, 42, 73, 22);
    FTriggersRelationButton = Small(FTriggerPanel, QStringLiteral("OR"), 5, 68, 60, 22);
    Text(FTriggerPanel, QStringLiteral("TRIG"), 92, 71, 30);
    FTriggerLED = new TLampShapeVexaRM(FTriggerPanel);
    FTriggerLED->setGeometry(123, 71, 14, 14);

    FARMPanel = Group(this, QStringLiteral(" ARM "), 145, 96);
    FARMSourceA = OnOff(FARMPanel, QStringLiteral("A"), 5, 17, 36, 22);
    FArmUnderA = Small(FARMPanel, QStringLiteral(">"), 43, 17, 22, 22);
    FArmVoltageA = Voltage(FARMPanel, 67, 17, 73, 22);
    FArmSourceB = OnOff(FARMPanel, QStringLiteral("B"), 5, 42, 36, 22);
    FArmUnderB = Small(FARMPanel, QStringLiteral(">"), 43, 42, 22, 22);
    FArmVoltageB = Voltage(FARMPanel, 67, 42, 73, 22);
    FARMSourceE = OnOff(FARMPanel, QStringLiteral("Ext"), 5, 68, 36, 22);
    FArmUnderExternal = Small(FARMPanel, QStringLiteral("1"), 43, 68, 22, 22);
    Text(FARMPanel, QStringLiteral("ARM"), 92, 71, 30);
    FArmLED = new TLampShapeVexaRM(FARMPanel);
    FArmLED->setGeometry(123, 71, 14, 14);
}

void TFrontPanelVexaRM::BuildInfoPanels() {
    // Contents are placed from the right edge at the design width, so that
    // moving them by the width change keeps them right-aligned.
    auto build = [this](QGroupBox *&box, int width, const QString &name, QLabel *&channel,
                        QWidget *&spot, QLabel *&acdc, QLabel *&probe, TUnitValueLabel *&density,
                        TUnitValueLabel *&trigger, TUnitValueLabel *&actual, QLabel *&demo) {
        box = Group(this, QString(), width, 57);
        int r = width - 6; // right edge of the contents
        spot = ColourSpot(box, r - 300, 13);
        channel = Text(box, name, r - 284, 11, 70, 16);
        QFont bold = channel->font();
        bold.setBold(true);
        channel->setFont(bold);
        acdc = Text(box, QString(), r - 210, 11, 26, 16);
        probe = Text(box, QString(), r - 180, 11, 48, 16);
        density = Readout(box, kUnitTypeDeflection, r - 128, 11, 128, 16);
        Text(box, QStringLiteral("Trigger:"), r - 300, 33, 52, 16);
        trigger = Readout(box, kUnitTypeVoltage, r - 244, 33, 70, 16);
        // Shown while the program runs without the device.
        demo = Text(box, QStringLiteral("DEMO"), r - 172, 33, 42, 16);
        demo->setFont(bold);
        QPalette red = demo->palette();
        red.setColor(QPalette::WindowText, QColor(176, 0, 0));
        demo->setPalette(red);
        demo->setToolTip(
            QStringLiteral("Demo mode: the signals are synthesised, no device is used"));
        demo->hide();
        Text(box, QStringLiteral("Now:"), r - 128, 33, 32, 16);
        actual = Readout(box, kUnitTypeVoltage, r - 92, 33, 92, 16);
    };
    build(FInfoPanelA, 386, QStringLiteral("Channel A"), FInfoChannelA, FInfoColoA, FInfoAcdcA,
          FInfoProbeA, FDensityValueA, FTriggerVoltageA, FActualVoltageA, FDemoLabelA);
    build(FInfoPanelB, 296, QStringLiteral("Channel B"), FInfoChannelB, FInfoColorB, FInfoAcdcB,
          FInfoProbeB, FDensityValueB, FTriggerVoltageB, FActualVoltageB, FDemoLabelB);
}

void TFrontPanelVexaRM::BuildRightColumn() {
    FSource = Group(this, QStringLiteral(" Source "), 86, 93);
    const QImage frame = TPanelGlyphsVexa::MarkerFrame();
    FProbeButtonA = Marker(FSource, QStringLiteral("    1:1"), frame, 1, false, 3, 16, 40, 24);
    FProbeButtonB = Marker(FSource, QStringLiteral("    1:1"), frame, 1, false, 44, 16, 40, 24);
    const QImage acdc = TPanelGlyphsVexa::AcDcStrip();
    FACDCButtonA = Marker(FSource, QString(), acdc, 4, true, 3, 41, 39, 24);
    FACDCButtonB = Marker(FSource, QString(), acdc, 4, true, 44, 41, 39, 24);
    FGNDButtonA = Marker(FSource, QStringLiteral("GND"), frame, 1, true, 3, 66, 40, 24);
    FGNDButtonB = Marker(FSource, QStringLiteral("GND"), frame, 1, true, 44, 66, 40, 24);

    FVerticalShifts = Group(this, QStringLiteral("Vertical"), 86, 143);
    // Its buttons start 10 pixels down: a smaller caption stays clear of
    // them (nothing else in the box shows text).
    QFont small = FVerticalShifts->font();
    small.setPointSize(7);
    FVerticalShifts->setFont(small);
    const QImage up = TPanelGlyphsVexa::ArrowUp(), down = TPanelGlyphsVexa::ArrowDown();
    FSlideUpButtonA = Marker(FVerticalShifts, QString(), up, 1, false, 3, 10, 39, 22);
    FSlideUpButtonB = Marker(FVerticalShifts, QString(), up, 1, false, 44, 10, 39, 22);
    FVerticalSlideA = new TVerticalSlideVexa(FVerticalShifts);
    FVerticalSlideA->setGeometry(10, 35, 24, 79);
    FVerticalSlideA->SetBarWidth(24);
    FVerticalSlideB = new TVerticalSlideVexa(FVerticalShifts);
    FVerticalSlideB->setGeometry(51, 35, 24, 79);
    FVerticalSlideB->SetBarWidth(24);
    FSlideDownButtonA = Marker(FVerticalShifts, QString(), down, 1, false, 3, 111, 39, 22);
    FSlideDownButtonB = Marker(FVerticalShifts, QString(), down, 1, false, 44, 111, 39, 22);
    FTimer1 = new QTimer(this);
    FTimer1->setInterval(1000);

    FDensity = Group(this, QStringLiteral(" Range "), 86, 71);
    FDensityUpButtonA = Marker(FDensity, QString(), up, 1, false, 3, 17, 39, 24);
    FDensityUpButtonB = Marker(FDensity, QString(), up, 1, false, 44, 17, 39, 24);
    FDensityDownButtonA = Marker(FDensity, QString(), down, 1, false, 3, 43, 39, 24);
    FDensityDownButtonB = Marker(FDensity, QString(), down, 1, false, 44, 43, 39, 24);
}

void TFrontPanelVexaRM::SetHints() {
    struct Hint {
        QWidget *w;
        const char *text;
    };
    const Hint hints[] = {
        {FChannelButtonA, "Activate/deactivate channel A"},
        {FChannelButtonB, "Activate/deactivate channel B"},
        {FBeamButton, "Beam finder"},
        {FLineButton, "Line mode"},
        {FRewButtonVexa1, "Display like cardiogram"},
        {FRollButtonVexa2, "Display rolling waveform"},
        {FACDCButtonA, "AC/DC switch channel A"},
        {FACDCButtonB, "AC/DC switch channel B"},
        {FProbeButtonA, "Probe type channel A"},
        {FProbeButtonB, "Probe type channel B"},
        {FSweepMinimum, "Display minimums"},
        {FSweepMaximum, "Display maximums"},
        {FSweepAverage, "Display averages"},
        {FSlideUpButtonA, "Shift up trace A"},
        {FSlideUpButtonB, "Shift up trace B"},
        {FSlideDownButtonA, "Shift down trace A"},
        {FSlideDownButtonB, "Shift down trace B"},
        {FDensityDownButtonA, "Decrease channel A deflection factor"},
        {FDensityDownButtonB, "Decrease channel B deflection factor"},
        {FDensityUpButtonA, "Increase channel A deflection factor"},
        {FDensityUpButtonB, "Increase channel B deflection factor"},
        {FSaveFileBrowseButton, "Browse for data file"},
        {FGridBrightness, "Adjust grid brightness"},
        {FGridButtonVexa3, "Grid On/Off"},
        {FSmpScrollBar, "Set sampling rate"},
        {FDSPScrollBar, "Set display rate"},
        {FGNDButtonA, "Ground channel A"},
        {FGNDButtonB, "Ground channel B"},
        {FTriggerAButtonVexa1, "Trigger source channel A"},
        {FTriggerBButtonVexa1, "Trigger source channel B"},
        {FTriggerAUnderOverButton, "Under/Over select channel A"},
        {FTriggerBUnderOverButton, "Under/Over select channel B"},
        {FTriggerAVoltage, "Trigger threshold channel A"},
        {FTriggerBVoltage, "Trigger threshold channel B"},
        {FARMSourceA, "Arm source channel A"},
        {FArmSourceB, "Arm source channel B"},
        {FARMSourceE, "Arm source external input"},
        {FArmUnderA, "Under/Over select channel A"},
        {FArmUnderB, "Under/Over select channel B"},
        {FArmUnderExternal, "Active level of the external input"},
        {FArmVoltageA, "Arm threshold channel A"},
        {FArmVoltageB, "Arm threshold channel B"},
        {FStartRecordButtonVexa1, "Start measurement"},
        {FStopRecordButtonVexa2, "Stop measurement"},
        {FTRRecordButtonVexa1, "Mode triggered"},
        {FFRRecordButtonVexa1, "Mode free"},
        {FDefRecordButtonVexa1, "Mode defined length"},
        {FContRecordButtonVexa1, "Mode continuos"},
        {FLongerTimeEditVexaRM1, "Length:"},
        {FSweepCalcButton, "Calculate max/min/avg"},
        {FSweepSingleButton, "Display real sample value"},
        {FFileSizeLabel, "Size of measurement record on disk"},
        {FSaveButton, "Activate/Deactivate measurement saving"},
        {FDisplayButtonVexa, "Activate/Deactivate measurement displaying"},
        {FClearScreen, "Clear screen"},
    };
    for (const auto &h : hints)
        h.w->setToolTip(QString::fromLatin1(h.text));
    // Start and Stop name their keys.
    for (auto [button, key] : {std::pair<QWidget *, Qt::Key>{FStartRecordButtonVexa1, kStartKey},
                               {FStopRecordButtonVexa2, kStopKey}})
        button->setToolTip(button->toolTip() + QStringLiteral(" (") +
                           QKeySequence(key).toString(QKeySequence::NativeText) + QLatin1Char(')'));
    FLengthLabel->setText(QStringLiteral("Length:"));
    FDisplayButtonVexa->SetCaption(QStringLiteral("Display  "));
    FInactiveDispLabel->setText(QStringLiteral("Display off"));
    FSizeLabel->setText(QStringLiteral("Size:"));
    FVerticalShifts->setTitle(QStringLiteral("Vertical"));
}

void TFrontPanelVexaRM::SetDemoShown(bool shown) {
    FDemoLabelA->setVisible(shown);
    FDemoLabelB->setVisible(shown);
}

void TFrontPanelVexaRM::SetDisplays(QWidget *rollDisplay, QWidget *ekgDisplay) {
    FRollDisplay = rollDisplay;
    FEKGDisplay = ekgDisplay;
    for (QWidget *d : {rollDisplay, ekgDisplay}) {
        if (!d) continue;
        d->setParent(this);
        d->setGeometry(FLayout.Display);
    }
    FInactiveDispLabel->raise();
}

void TFrontPanelVexaRM::ReadGeometry() {
    FLayout.Channels = FChannels->geometry();
    FLayout.Mode = FMode->geometry();
    FLayout.GridButton = FGridButtonVexa3->geometry();
    FLayout.GridBrightness = FGridBrightness->geometry();
    FLayout.SweepPanel = FSweepPanel->geometry();
    FLayout.SavePanel = FSavePanel->geometry();
    FLayout.TimeBasePanel = FTimeBasePanel->geometry();
    FLayout.RecordPanel = FRecordPanel->geometry();
    FLayout.TriggerPanel = FTriggerPanel->geometry();
    FLayout.ARMPanel = FARMPanel->geometry();
    FLayout.InfoPanelA = FInfoPanelA->geometry();
    FLayout.InfoPanelB = FInfoPanelB->geometry();
    FLayout.Source = FSource->geometry();
    FLayout.VerticalShifts = FVerticalShifts->geometry();
    FLayout.Density = FDensity->geometry();
    FLayout.InactiveDispLabel = FInactiveDispLabel->geometry();
    FLayout.SlideUpButtonA = FSlideUpButtonA->geometry();
    FLayout.SlideUpButtonB = FSlideUpButtonB->geometry();
    FLayout.VerticalSlideA = FVerticalSlideA->geometry();
    FLayout.VerticalSlideB = FVerticalSlideB->geometry();
    FLayout.SlideDownButtonA = FSlideDownButtonA->geometry();
    FLayout.SlideDownButtonB = FSlideDownButtonB->geometry();
}

void TFrontPanelVexaRM::LayOut() {
    ReadGeometry();
    FLayout.Apply(width(), height());
    FChannels->setGeometry(FLayout.Channels);
    FMode->setGeometry(FLayout.Mode);
    FGridButtonVexa3->setGeometry(FLayout.GridButton);
    FGridBrightness->setGeometry(FLayout.GridBrightness);
    FSweepPanel->setGeometry(FLayout.SweepPanel);
    FSavePanel->setGeometry(FLayout.SavePanel);
    FTimeBasePanel->setGeometry(FLayout.TimeBasePanel);
    FRecordPanel->setGeometry(FLayout.RecordPanel);
    FTriggerPanel->setGeometry(FLayout.TriggerPanel);
    FARMPanel->setGeometry(FLayout.ARMPanel);
    FInfoPanelA->setGeometry(FLayout.InfoPanelA);
    FInfoPanelB->setGeometry(FLayout.InfoPanelB);
    for (auto [box, shift] : {std::pair<QGroupBox *, int>{FInfoPanelA, FLayout.InfoPanelAShift},
                              {FInfoPanelB, FLayout.InfoPanelBShift}}) {
        if (shift == 0) continue;
        for (QWidget *child : box->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            child->move(child->x() + shift, child->y());
    }
    FSource->setGeometry(FLayout.Source);
    FVerticalShifts->setGeometry(FLayout.VerticalShifts);
    FSlideUpButtonA->setGeometry(FLayout.SlideUpButtonA);
    FSlideUpButtonB->setGeometry(FLayout.SlideUpButtonB);
    FVerticalSlideA->setGeometry(FLayout.VerticalSlideA);
    FVerticalSlideB->setGeometry(FLayout.VerticalSlideB);
    FVerticalSlideA->SetBarHeight(FLayout.BarHeight);
    FVerticalSlideB->SetBarHeight(FLayout.BarHeight);
    FSlideDownButtonA->setGeometry(FLayout.SlideDownButtonA);
    FSlideDownButtonB->setGeometry(FLayout.SlideDownButtonB);
    FDensity->setGeometry(FLayout.Density);
    if (FRollDisplay) FRollDisplay->setGeometry(FLayout.Display);
    if (FEKGDisplay) FEKGDisplay->setGeometry(FLayout.Display);
    FInactiveDispLabel->setGeometry(FLayout.InactiveDispLabel);
    emit LaidOut();
}

void TFrontPanelVexaRM::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (FLayoutEnabled) LayOut();
}

} // namespace vexa
