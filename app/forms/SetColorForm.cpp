#include "SetColorForm.h"

#include "panel/ChannelIndicationButtonVexa.h"
#include "panel/PanelGlyphsVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include <QColorDialog>
#include <QLabel>
#include <QPushButton>

namespace vexa {

namespace {

QLabel *MakeLabel(QWidget *parent, const QString &text, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

QColor TSetColorForm::ToQColor(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

uint32_t TSetColorForm::FromQColor(const QColor &c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

TSetColorForm::TSetColorForm(QWidget *parent) : QDialog(parent) {
    // The places of the controls are fixed; a condensed face keeps the row
    // names clear of the controls beside them.
    QFont condensed = font();
    condensed.setStretch(QFont::Condensed);
    condensed.setPointSize(8);
    setFont(condensed);
    setFixedSize(207, 126);
    FLabelChannelA = MakeLabel(this, QStringLiteral("Channel ") + QStringLiteral(" A"), 8, 19);
    FLabelChannelB = MakeLabel(this, QStringLiteral("Channel ") + QStringLiteral(" B"), 8, 41);
    FLabelGrid = MakeLabel(this, QStringLiteral("Grid"), 8, 63);
    FLabelBackground = MakeLabel(this, QStringLiteral("Background"), 8, 85);

    FButtonOK = new QPushButton(QStringLiteral("OK"), this);
    FButtonOK->setGeometry(124, 16, 75, 20);
    connect(FButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    FButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    FButtonCancel->setGeometry(124, 38, 75, 20);
    FButtonCancel->setDefault(true); // Escape cancels through reject()
    connect(FButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto makeSet = [this](int y) {
        auto *b = new TChannelIndicationButtonVexa(this);
        b->SetCaption(QStringLiteral("Set    "));
        b->SetGlyph(TPanelGlyphsVexa::MarkerFrame());
        b->SetLayout(TGlyphButtonVexa::GlyphLayout::GlyphRight);
        b->setGeometry(64, y, 41, 20);
        connect(b, &TGlyphButtonVexa::Clicked, this, [this, b] { ChooseColor(b); });
        return b;
    };
    FButtonSetColorA = makeSet(16);
    FButtonSetColorB = makeSet(38);
    FButtonSetColorGrid = makeSet(60);
    FButtonSetColorBackground = makeSet(82);

    FDefaultColorDialog = new QColorDialog(this);
    FDefaultColorDialog->setOption(QColorDialog::DontUseNativeDialog, true);

    // Tab goes down the "Set" column, then to OK and Cancel; OK holds the
    // focus when the dialog opens, so Enter confirms although Cancel is the
    // default.
    setTabOrder(FButtonSetColorA, FButtonSetColorB);
    setTabOrder(FButtonSetColorB, FButtonSetColorGrid);
    setTabOrder(FButtonSetColorGrid, FButtonSetColorBackground);
    setTabOrder(FButtonSetColorBackground, FButtonOK);
    setTabOrder(FButtonOK, FButtonCancel);
    FButtonOK->setFocus();
}

void TSetColorForm::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope = scope;
    if (!scope) return;
    FButtonSetColorA->SetChannelColor(scope->ColorChannelA());
    FButtonSetColorB->SetChannelColor(scope->ColorChannelB());
    FButtonSetColorGrid->SetChannelColor(scope->ColorGrid());
    FButtonSetColorBackground->SetChannelColor(scope->BackgroundColor());
}

void TSetColorForm::ChooseColor(TChannelIndicationButtonVexa *button) {
    FDefaultColorDialog->setCurrentColor(FLastColor);
    if (FDefaultColorDialog->exec() != QDialog::Accepted) return;
    FLastColor = FDefaultColorDialog->selectedColor();
    button->SetChannelColor(FromQColor(FLastColor));
}

uint32_t TSetColorForm::ColorA() const {
    return FButtonSetColorA->ChannelColor();
}
uint32_t TSetColorForm::ColorB() const {
    return FButtonSetColorB->ChannelColor();
}
uint32_t TSetColorForm::ColorGrid() const {
    return FButtonSetColorGrid->ChannelColor();
}
uint32_t TSetColorForm::ColorBackground() const {
    return FButtonSetColorBackground->ChannelColor();
}

void TSetColorForm::ApplyTo(TVirtualScopeVexaRM &scope) const {
    scope.SetColorChannelA(ColorA());
    scope.SetColorChannelB(ColorB());
    scope.SetColorGrid(ColorGrid()); // recomputes the real grid colour
    scope.SetBackgroundColor(ColorBackground());
}

} // namespace vexa
