#include "LongerTimeEditVexaRM.h"

#include "ValueTextVexa.h"

namespace vexa {

TLongerTimeEditVexaRM::TLongerTimeEditVexaRM(QWidget *parent)
    : TFilteredEditVexa(QStringLiteral("hms"), parent) {}

void TLongerTimeEditVexaRM::SetTimeValue(double milliseconds) {
    FTimeValue = milliseconds;
    ShowValueInForce(QString::fromStdString(TimeEditText(milliseconds)));
}

bool TLongerTimeEditVexaRM::ParseEntry() {
    double milliseconds = 0;
    if (!ParseTimeEntry(text().toStdString(), milliseconds)) {
        clear();
        return false;
    }
    FTimeValue = milliseconds;
    return true;
}

void TLongerTimeEditVexaRM::KeyReleased(int key) {
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
