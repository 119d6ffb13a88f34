#include "NumEditVexa.h"

#include "ConvertErrorVexa.h"
#include "ValueTextVexa.h"

namespace vexa {

TNumEditVexa::TNumEditVexa(QWidget *parent) : TFilteredEditVexa(QString(), parent) {}

double TNumEditVexa::NumValue() const {
    const std::string shown = text().toStdString();
    double value = 0;
    if (!ParseDecimalText(shown, value))
        throw EConvertErrorVexa("'" + shown + "' is not a valid floating point value");
    return value;
}

void TNumEditVexa::SetNumValue(double value) {
    setText(QString::fromStdString(DecimalText(FFloating ? value : RoundHalfEven(value))));
}

int64_t TNumEditVexa::IntegerText(int64_t lowest, int64_t highest) const {
    const std::string shown = text().toStdString();
    int64_t value = 0;
    if (!ParseIntegerText(shown, value) || value < lowest || value > highest)
        throw EConvertErrorVexa("'" + shown + "' is not a valid integer value");
    return value;
}

uint16_t TNumEditVexa::NumValueWord() const {
    return uint16_t(IntegerText(0, UINT16_MAX));
}

void TNumEditVexa::SetNumValueWord(uint16_t value) {
    setText(QString::number(value));
}

int32_t TNumEditVexa::NumValueInteger() const {
    return int32_t(IntegerText(INT32_MIN, INT32_MAX));
}

void TNumEditVexa::SetNumValueInteger(int32_t value) {
    setText(QString::number(value));
}

} // namespace vexa
