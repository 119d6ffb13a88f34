// The rolling display: the newest column stays at the right edge and the
// picture moves left one pixel per column, the grid moving with it.
#pragma once

#include "RollScreenParentVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

namespace vexa {

class TRollScreenShiftVexaRM : public TRollScreenParentVexaRM {
    Q_OBJECT
public:
    static constexpr int32_t kDefaultControlGroup = kGroupRoll;

    explicit TRollScreenShiftVexaRM(QWidget *parent = nullptr);

    void ResetScreen() override;
    void ClearScreen() override;

    // Distance of the newest vertical grid line from the right edge, and
    // the width of the exposed strip still waiting for its horizontal grid
    // dots (read under the control's lock).
    int GridPhase() const;
    int GridPending() const;

protected:
    void DrawNewColumns(const TDrawSettingsVexaRM &s, int64_t count, bool hadColumns) override;
    void DrawAll(const TDrawSettingsVexaRM &s) override;

private:
    // The whole grid for shift 0, else the grid of the newly exposed strip.
    void DrawGrid(const TDrawSettingsVexaRM &s, int64_t shift);
    void ForgetColumns(const TDrawSettingsVexaRM &s, bool resetAccumulator);
    void DrawBandColumns(const TDrawSettingsVexaRM &s, int h, int n, bool hasPrevious);
    void DrawSingleColumns(const TDrawSettingsVexaRM &s, int h, int n, bool hasPrevious);

    int FGridPhase = 0;
    int FGridPending = 0;
};

} // namespace vexa
