// What the operator searches for, and the search itself: the next or
// previous place where a channel crosses a level, or the next or previous
// device marker, ARM-marker period or gap of lost samples. Answered from
// the summary index (entries that cannot hold a hit are passed over whole),
// so a search over a recording of many gigabytes takes a fraction of a
// second.
#pragma once

#include "recfile/RecordReaderVexaRM.h"

namespace vexa::view {

using rec::TTimeNs;

struct TSearchQuery {
    enum Kind : uint8_t { Crossing, DeviceMarker, ArmMarker, Gap };
    Kind What = Crossing;
    int Channel = 0;    // 0 A, 1 B
    double Level = 0;   // volts (codes where the scale is not known)
    bool Rising = true; // a rise through the level, else a fall
};

class TSearchVexaRM {
public:
    // The time of the next (forward) or previous hit strictly after or
    // before t in measurement m; false when there is none.
    static bool Find(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t, bool forward,
                     const TSearchQuery &query, TTimeNs *found);
};

} // namespace vexa::view
