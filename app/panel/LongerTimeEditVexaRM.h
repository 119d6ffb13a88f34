// The time-length edit: "1h30m", "2.5s", "1m500ms". Enter reads the text
// into TimeValue (milliseconds).
#pragma once

#include "FilteredEditVexa.h"

namespace vexa {

class TLongerTimeEditVexaRM : public TFilteredEditVexa {
    Q_OBJECT
public:
    explicit TLongerTimeEditVexaRM(QWidget *parent = nullptr);

    // Milliseconds. The setter shows the text of the new value (0 shows
    // "0s") as the value in force.
    double TimeValue() const { return FTimeValue; }
    void SetTimeValue(double milliseconds);

    // Reads the text as Enter does. A text that is empty or does not begin
    // with a digit fails: the text is cleared and TimeValue stays.
    bool ParseEntry();

protected:
    void KeyReleased(int key) override;

private:
    double FTimeValue = 0;
};

} // namespace vexa
