#include "VoltageValueEditVexa.h"

#include "ValueTextVexa.h"

namespace vexa {

TVoltageValueEditVexa::TVoltageValueEditVexa(QWidget *parent)
    : TFilteredEditVexa(QStringLiteral("mu"), parent) {}

void TVoltageValueEditVexa::SetVoltage(double millivolts) {
    FVoltage = RoundHalfEven(millivolts * 1000) / 1000;
    ShowValueInForce(QString::fromStdString(VoltageEditText(FVoltage)));
}

bool TVoltageValueEditVexa::ParseEntry() {
    double millivolts = FVoltage;
    const VoltageParse result = ParseVoltageEntry(text().toStdString(), millivolts);
    if (result == VoltageParse::Failed) return false;
    FVoltage = millivolts;
    return true;
}

void TVoltageValueEditVexa::KeyReleased(int key) {
    if (!IsEnterKey(key)) {
        MarkEdited();
        return;
    }
    if (ParseEntry())
        Confirm();
    else
        MarkEdited();
}

} // namespace vexa
