// A safe label that shows a value with its engineering unit. ControlType
// picks the quantity (1 time in ns, 2 voltage in mV, 3 size in bytes, 4 mV
// per division, 5 seconds per division, 6 samples per second, 7 hertz per
// division, 8 a plain number, 9 samples; 0 no unit). The scope model and the
// processing thread write to it from their threads through IValueReadout.
#pragma once

#include "SafeLabel.h"
#include "model/ScopeInterfacesVexaRM.h"

#include <mutex>

namespace vexa {

class TUnitValueLabel : public TSafeLabel, public IValueReadout {
    Q_OBJECT
public:
    explicit TUnitValueLabel(QWidget *parent = nullptr);

    // Every accessor may be called from any thread; each setter reformats.
    double MainValue() const;
    void SetMainValue(double value);
    int ControlType() const;
    void SetControlType(int type);
    // When set, the label shows "N/A" (not for type 5 above 59 s).
    bool ValueInValid() const;
    void SetValueInValid(bool invalid);
    // The scaled number last written.
    double ShownNumber() const;

    // IValueReadout. A value set through SetValue or SetMainValue is plain;
    // a sample at the bottom or top of the converter's range shows "<" or
    // ">" before it; ClearValue shows nothing until the next value.
    void SetValue(double value) override { SetMainValue(value); }
    void Repaint() override { RequestRepaint(); }
    void SetSample(double value, SampleRange range) override;
    void ClearValue() override;

private:
    // Called with FFormatLock held.
    void Reformat();

    // Guards the six fields below and is held while the new text is handed
    // to the label, so that the text of the newest value is the one that
    // stays. Taken before the label's text lock, never after it.
    mutable std::mutex FFormatLock;
    double FMainValue = 0;
    int FControlType = 0;
    bool FValueInValid = false;
    double FShownNumber = 0;
    SampleRange FRange = SampleRange::Within;
    bool FCleared = false;
};

} // namespace vexa
