// The EKG display: the picture stands still while a write position sweeps
// from left to right, erasing ahead of itself, with a blue cursor line and a
// small square in each channel's colour at the newest value.
#pragma once

#include "RollScreenParentVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

namespace vexa {

class TRollScreenEKGVexaRM : public TRollScreenParentVexaRM {
    Q_OBJECT
public:
    static constexpr int32_t kDefaultControlGroup = kGroupEKG;

    explicit TRollScreenEKGVexaRM(QWidget *parent = nullptr);

    void ResetScreen() override;
    void ClearScreen() override;

    // The x where the next column is drawn, 0 ... Width (Width + 1
    // positions per sweep, the last just outside the bitmap).
    int WritePosition() const;

protected:
    void DrawNewColumns(const TDrawSettingsVexaRM &s, int64_t count, bool hadColumns) override;
    void DrawAll(const TDrawSettingsVexaRM &s) override;

private:
    // The grid of the strip start ... start + length - 1.
    void DrawGrid(const TDrawSettingsVexaRM &s, int start, int length);
    void ForgetColumns();
    // Draws one column at x in the chosen style; previous is the column
    // before it, or none.
    void DrawColumn(const TDrawSettingsVexaRM &s, int x, int p, bool hasPrevious);

    int FWritePosition = 0;
};

} // namespace vexa
