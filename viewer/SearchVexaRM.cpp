#include "SearchVexaRM.h"

namespace vexa::view {

bool TSearchVexaRM::Find(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t,
                         bool forward, const TSearchQuery &q, TTimeNs *found) {
    if (m >= reader.Measurements().size()) return false;
    switch (q.What) {
    case TSearchQuery::Crossing:
        return reader.FindCrossing(
            m, t, forward, q.Channel, q.Level,
            q.Rising ? rec::CrossingKind::Rising : rec::CrossingKind::Falling, found);
    case TSearchQuery::DeviceMarker:
        return reader.FindMark(m, t, forward, rec::MarkKind::DeviceMarker, found);
    case TSearchQuery::ArmMarker:
        return reader.FindMark(m, t, forward, rec::MarkKind::ArmMarker, found);
    case TSearchQuery::Gap:
        return reader.FindMark(m, t, forward, rec::MarkKind::Gap, found);
    }
    return false;
}

} // namespace vexa::view
