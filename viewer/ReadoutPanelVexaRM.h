// The cursor readout under the trace view: the cursor times, Δt and 1/Δt on
// one line, then per channel the value at each cursor and the minimum,
// maximum, mean, RMS and peak-to-peak between the cursors.
#pragma once

#include "CursorReadoutVexaRM.h"

#include <QWidget>

class QLabel;

namespace vexa::view {

class TReadoutPanelVexaRM : public QWidget {
    Q_OBJECT
public:
    explicit TReadoutPanelVexaRM(QWidget *parent = nullptr);

    // has: which cursors are placed; r: their readout (both placed), or the
    // values at the one placed cursor.
    void Show(const bool has[2], const TCursorReadout &r, const bool volts[2]);
    void Clear();
    // The text of a cell: row 0 A, 1 B; column 0 at cursor 1 ... 6 p-p.
    QString Cell(int row, int column) const;
    QString TimesText() const;

private:
    static constexpr int kColumns = 7;
    QLabel *FTimes = nullptr;
    QLabel *FCells[2][kColumns] = {};
};

} // namespace vexa::view
