#include "LongerTimeEditVexaRM.h"

#include "ValueTextVexa.h"

namespace vexa {

TLongerTimeEditVexaRM::TLongerTimeEditVexaRM(QWidget *parent)
    : TFilteredEditVexa(QStringLiteral("hms"), parent) {}

void TLongerTimeEditVexaRM::SetTimeValue(double milliseconds) {
    FTimeValue = milliseconds;
    setText(QString::fromStdString(TimeEditText(milliseconds)));
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
        SetUnconfirmed(true);
        return;
    }
    if (ParseEntry()) SetUnconfirmed(false);
}

} // namespace vexa
