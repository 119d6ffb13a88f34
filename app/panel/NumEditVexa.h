// The plain number edit of the dialogs. Reading a value from a text that is
// not a number throws EConvertErrorVexa with the standard message.
#pragma once

#include "FilteredEditVexa.h"

#include <cstdint>

namespace vexa {

class TNumEditVexa : public TFilteredEditVexa {
    Q_OBJECT
public:
    explicit TNumEditVexa(QWidget *parent = nullptr);

    // The text as a number ("." and "," both read as the decimal separator);
    // throws "'<text>' is not a valid floating point value".
    double NumValue() const;
    // Writes the shortest decimal text when Floating, else the nearest
    // integer (halves to even).
    void SetNumValue(double value);
    // The text as a decimal integer; throws "'<text>' is not a valid integer
    // value", also when the number does not fit the type.
    uint16_t NumValueWord() const;
    void SetNumValueWord(uint16_t value);
    int32_t NumValueInteger() const;
    void SetNumValueInteger(int32_t value);

    bool Floating() const { return FFloating; }
    void SetFloating(bool floating) { FFloating = floating; }

private:
    int64_t IntegerText(int64_t lowest, int64_t highest) const;

    bool FFloating = true;
};

} // namespace vexa
