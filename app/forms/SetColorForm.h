// The colour setup dialog: trace, grid and background colours.
#pragma once

#include <QColor>
#include <QDialog>

#include <cstdint>

class QColorDialog;
class QLabel;
class QPushButton;

namespace vexa {

class TChannelIndicationButtonVexa;
class TVirtualScopeVexaRM;

class TSetColorForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetColorForm(QWidget *parent = nullptr);

    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope; }
    // Stores the model and shows its four colours on the buttons.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);

    // The colours chosen so far (0x00BBGGRR).
    uint32_t ColorA() const;
    uint32_t ColorB() const;
    uint32_t ColorGrid() const;
    uint32_t ColorBackground() const;
    // Copies the chosen colours into the model (after OK).
    void ApplyTo(TVirtualScopeVexaRM &scope) const;

    // The colour the common dialog opens with: the one last chosen in it.
    QColor LastColor() const { return FLastColor; }

    static QColor ToQColor(uint32_t color);
    static uint32_t FromQColor(const QColor &color);

    TChannelIndicationButtonVexa *ButtonSetColorA() const { return FButtonSetColorA; }
    TChannelIndicationButtonVexa *ButtonSetColorB() const { return FButtonSetColorB; }
    TChannelIndicationButtonVexa *ButtonSetColorGrid() const { return FButtonSetColorGrid; }
    TChannelIndicationButtonVexa *ButtonSetColorBackground() const {
        return FButtonSetColorBackground;
    }
    QPushButton *ButtonOK() const { return FButtonOK; }
    QPushButton *ButtonCancel() const { return FButtonCancel; }
    QColorDialog *DefaultColorDialog() const { return FDefaultColorDialog; }

private:
    void ChooseColor(TChannelIndicationButtonVexa *button);

    TVirtualScopeVexaRM *FVirtualScope = nullptr;
    QColor FLastColor = Qt::black;
    QLabel *FLabelChannelA, *FLabelChannelB, *FLabelGrid, *FLabelBackground;
    TChannelIndicationButtonVexa *FButtonSetColorA, *FButtonSetColorB;
    TChannelIndicationButtonVexa *FButtonSetColorGrid, *FButtonSetColorBackground;
    QPushButton *FButtonOK, *FButtonCancel;
    QColorDialog *FDefaultColorDialog;
};

} // namespace vexa
