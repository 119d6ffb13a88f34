#include "UnitValueLabel.h"

#include "ValueTextVexa.h"

namespace vexa {

TUnitValueLabel::TUnitValueLabel(QWidget *parent) : TSafeLabel(parent) {}

double TUnitValueLabel::MainValue() const {
    std::lock_guard<std::mutex> hold(FFormatLock);
    return FMainValue;
}

void TUnitValueLabel::SetMainValue(double value) {
    std::lock_guard<std::mutex> hold(FFormatLock);
    FMainValue = value;
    FRange = SampleRange::Within;
    FCleared = false;
    Reformat();
}

void TUnitValueLabel::SetSample(double value, SampleRange range) {
    std::lock_guard<std::mutex> hold(FFormatLock);
    FMainValue = value;
    FRange = range;
    FCleared = false;
    Reformat();
}

void TUnitValueLabel::ClearValue() {
    std::lock_guard<std::mutex> hold(FFormatLock);
    if (FCleared) return;
    FCleared = true;
    Reformat();
}

int TUnitValueLabel::ControlType() const {
    std::lock_guard<std::mutex> hold(FFormatLock);
    return FControlType;
}

void TUnitValueLabel::SetControlType(int type) {
    std::lock_guard<std::mutex> hold(FFormatLock);
    FControlType = type;
    Reformat();
}

bool TUnitValueLabel::ValueInValid() const {
    std::lock_guard<std::mutex> hold(FFormatLock);
    return FValueInValid;
}

void TUnitValueLabel::SetValueInValid(bool invalid) {
    std::lock_guard<std::mutex> hold(FFormatLock);
    FValueInValid = invalid;
    Reformat();
}

double TUnitValueLabel::ShownNumber() const {
    std::lock_guard<std::mutex> hold(FFormatLock);
    return FShownNumber;
}

void TUnitValueLabel::Reformat() {
    if (FCleared) {
        SetMyString(QString());
        return;
    }
    const TUnitTextVexa result =
        FormatUnitValue(FControlType, FMainValue, FShownNumber, FValueInValid);
    FShownNumber = result.Shown;
    const char *mark = FRange == SampleRange::AtBottom ? "<"
                       : FRange == SampleRange::AtTop  ? ">"
                                                       : "";
    SetMyString(QString::fromLatin1(mark) + QString::fromStdString(result.Text));
}

} // namespace vexa
