// The voltage edit. Its text is volts ("1.5") or millivolts with "m"
// ("200m"); Enter reads the text into Voltage (millivolts).
#pragma once

#include "FilteredEditVexa.h"

namespace vexa {

class TVoltageValueEditVexa : public TFilteredEditVexa {
    Q_OBJECT
public:
    explicit TVoltageValueEditVexa(QWidget *parent = nullptr);

    // Millivolts. The setter rounds to a multiple of 0.001 and shows the
    // text of the new value as the value in force.
    double Voltage() const { return FVoltage; }
    void SetVoltage(double millivolts);

    // Reads the text as Enter does: true when it holds a voltage ("5m",
    // "2", "0,5"; "5u" and "5n" are accepted but change nothing).
    bool ParseEntry();

protected:
    void KeyReleased(int key) override;

private:
    double FVoltage = 0;
};

} // namespace vexa
