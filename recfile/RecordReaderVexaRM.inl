// Templates of TRecordReaderVexaRM (included by its header).
#pragma once

#include "WordStreamVexaRM.h"

namespace vexa::rec {

template <class F>
bool TRecordReaderVexaRM::VisitPeriods(uint64_t section, uint64_t first, uint64_t last,
                                       F &&visit) const {
    const TSection &s = Sections()[section];
    if (last > s.Periods) last = s.Periods;
    if (first >= last) return true;
    uint64_t i = OffsetInSection(s, first) / 2;
    const uint64_t end = s.EndOffset / 2;
    uint64_t period = first;
    while (period < last && i < end) {
        const uint64_t want = (last - period) < (end - i) ? (last - period) : (end - i);
        uint64_t run = FindReserved(FWords + i, want);
        if (run == 0) {
            while (run < want && FWords[i + run] == kWordMarker2)
                ++run;
        }
        if (run > 0) {
            if (!visit(period, FWords + i, run)) return false;
            period += run;
            i += run;
            continue;
        }
        const TItem item = ItemAt(FWords, i, end);
        if (item.Kind == ItemKind::CutOff) break;
        i += item.Words;
    }
    return true;
}

} // namespace vexa::rec
