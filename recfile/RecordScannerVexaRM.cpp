#include "RecordScannerVexaRM.h"

#include "MappedFileVexaRM.h"
#include "WordStreamVexaRM.h"

#include <algorithm>

namespace vexa::rec {

namespace {

constexpr uint64_t kStepWords = 4ull << 20; // progress and cancel every 8 MiB
// A section is split before its count of non-period words could overflow
// the 32 bits a level-1 entry keeps for it.
constexpr uint64_t kMaxExtra = 0xFFFF0000ull;

uint32_t Dword(const uint16_t *w) {
    return static_cast<uint32_t>(w[0]) | (static_cast<uint32_t>(w[1]) << 16);
}

} // namespace

TRecordScannerVexaRM::TRecordScannerVexaRM(TSummaryIndexVexaRM &index,
                                           const TMappedFileVexaRM &file)
    : X(index), S(index.FState), File(file), W(file.WordData()) {}

bool TRecordScannerVexaRM::Run(
    const TProgressFn &progress,
    const std::function<void(std::shared_ptr<TSummaryIndexVexaRM>)> &publish,
    uint64_t publishBytes) {
    Resume();
    const uint64_t words = File.Words();
    const uint64_t publishWords = std::max<uint64_t>(publishBytes / 2, kStepWords);
    uint64_t nextPublish = Pos + publishWords;
    while (Pos < words && S.CutOffAt == UINT64_MAX) {
        ScanTo(std::min(words, Pos + kStepWords));
        if (progress && !progress(Pos * 2, File.Bytes())) return false;
        if (publish && Pos >= nextPublish && Pos < words) {
            auto copy = std::make_shared<TSummaryIndexVexaRM>(X);
            Finish(*copy, Pos, false);
            publish(copy);
            nextPublish = Pos + publishWords;
        }
    }
    Finish(X, Pos, true);
    if (progress) progress(File.Bytes(), File.Bytes());
    return true;
}

// Takes back what Finish added for the end of the file, so that the scan
// goes on as if it had never stopped.
void TRecordScannerVexaRM::Resume() {
    Pos = S.ResumeOffset / 2;
    if (S.SectionOpen) {
        TSection &sec = X.FSections.back();
        for (int k = 0; k < kMaxLevels; ++k) {
            if (!(S.OpenLevels & (1u << k))) continue;
            if (k == 0)
                X.FLevel1.PopBack();
            else
                X.FUpper[k - 1].PopBack();
            --sec.EntryCount[k];
        }
    }
    S.OpenLevels = 0;
    S.CutOffAt = UINT64_MAX;
    S.OddTail = false;
    auto &p = X.FProblems;
    p.erase(std::remove_if(p.begin(), p.end(),
                           [&](const TProblem &q) { return q.Offset >= S.ResumeOffset; }),
            p.end());
}

void TRecordScannerVexaRM::ScanTo(uint64_t end) {
    const uint64_t words = File.Words();
    while (Pos < end) {
        if (S.SectionOpen) {
            // Fast path: the rest of the level-1 entry from a run of samples.
            const uint64_t want = std::min(kLevel1Periods - S.AccPeriods, words - Pos);
            const uint64_t run = FindReserved(W + Pos, want);
            if (run > 0) {
                AddSamples(W + Pos, run, Pos);
                Pos += run;
                continue;
            }
        }
        const TItem item = ItemAt(W, Pos, words);
        switch (item.Kind) {
        case ItemKind::Sample:
        case ItemKind::ArmMarker:
            AddPeriod(W[Pos], Pos);
            break;
        case ItemKind::DeviceMarker: {
            if (!S.MeasurementOpen) OpenMeasurement(Pos, false);
            TMeasurement &m = X.FMeasurements.back();
            ++m.DeviceMarkers;
            TEvent e;
            e.Kind = EventKind::DeviceMarker;
            e.Measurement = static_cast<uint32_t>(X.FMeasurements.size() - 1);
            e.Offset = Pos * 2;
            e.Time = TimeNow();
            AddEvent(e);
            S.ArmRunOpen = false;
            if (S.SectionOpen) {
                S.Acc[0].Flags |= kEntryDevice;
                NonPeriodWords(1);
            } else {
                S.PendingDevice = true;
            }
            break;
        }
        case ItemKind::ZeroLength:
            AddProblem(ProblemKind::ZeroLength, Pos * 2, 0);
            S.ArmRunOpen = false;
            NonPeriodWords(1);
            break;
        case ItemKind::Record:
            S.ArmRunOpen = false;
            Record(Pos, item.Words, item.Type);
            break;
        case ItemKind::CutOff:
            S.CutOffAt = Pos * 2;
            return;
        }
        Pos += item.Words;
    }
}

void TRecordScannerVexaRM::NonPeriodWords(uint64_t n) {
    if (!S.SectionOpen) return;
    S.ExtraInSection += n;
    if (S.ExtraInSection >= kMaxExtra) CloseSection();
}

TTimeNs TRecordScannerVexaRM::TimeNow() const {
    if (S.SectionOpen) return X.FSections.back().TimeOf(X.FSections.back().Periods);
    return S.Cursor;
}

void TRecordScannerVexaRM::AddEvent(const TEvent &e) {
    if (X.FEvents.size() >= TSummaryIndexVexaRM::kMaxEvents) {
        if (!S.EventsFull) AddProblem(ProblemKind::TooManyEvents, e.Offset, X.FEvents.size());
        S.EventsFull = true;
        return;
    }
    X.FEvents.push_back(e);
}

void TRecordScannerVexaRM::AddProblem(ProblemKind kind, uint64_t offset, uint64_t detail) {
    TProblem p;
    p.Kind = kind;
    p.Offset = offset;
    p.Detail = detail;
    X.FProblems.push_back(p);
}

void TRecordScannerVexaRM::Record(uint64_t i, uint32_t words, uint16_t type) {
    const uint16_t *r = W + i;
    if (words < 3) {
        AddProblem(ProblemKind::ShortRecord, i * 2, words);
        NonPeriodWords(words);
        return;
    }
    if (type < kRecMeasurement || type > kRecLostSamples) {
        AddProblem(ProblemKind::UnknownType, i * 2, type);
        NonPeriodWords(words);
        return;
    }
    static constexpr uint32_t kNeeded[kRecLostSamples + 1] = {
        0, 4, 6, 6, 4, 4, 4, 4, 4, 4, 5, 5, 5, kLostSamplesRecordWords};
    if (words < kNeeded[type]) {
        AddProblem(ProblemKind::ShortRecord, i * 2, kShortTypeFlag + type);
        NonPeriodWords(words);
        return;
    }
    X.FSawRecords = true;
    if (type == kRecMeasurement) {
        if (r[3] != 0) {
            if (S.MeasurementOpen) CloseMeasurement(false, i * 2);
            OpenMeasurement(i, true);
        } else if (S.MeasurementOpen) {
            CloseMeasurement(true, (i + words) * 2);
        }
        return;
    }
    if (type == kRecLostSamples) {
        const uint64_t count =
            static_cast<uint64_t>(Dword(r + 3)) | (static_cast<uint64_t>(Dword(r + 5)) << 32);
        if (!S.MeasurementOpen) OpenMeasurement(i, false);
        if (S.SectionOpen) CloseSection();
        S.Cursor = PeriodTime(S.Cursor, S.Scale.TimingRate(), count);
        S.PendingGap += count;
        TMeasurement &m = X.FMeasurements.back();
        ++m.Gaps;
        m.LostPeriods += count;
        m.Duration = S.Cursor;
        TEvent e;
        e.Kind = EventKind::Gap;
        e.How = static_cast<uint8_t>(r[7]);
        e.Measurement = static_cast<uint32_t>(X.FMeasurements.size() - 1);
        e.Offset = i * 2;
        e.Time = S.Cursor;
        e.Count = count;
        AddEvent(e);
        return;
    }
    TScale next = S.Scale;
    const int ch = (type - kRecLevelA) & 1; // A for even offsets from type 2
    switch (type) {
    case kRecLevelA:
    case kRecLevelB:
        next.Level[type - kRecLevelA] = r[3];
        next.Zero[type - kRecLevelA] = r[4];
        break;
    case kRecProbeA:
    case kRecProbeB:
        next.Probe[ch] = r[3];
        break;
    case kRecCouplingA:
    case kRecCouplingB:
        next.Coupling[ch] = r[3];
        break;
    case kRecGroundA:
    case kRecGroundB:
        next.Ground[ch] = r[3];
        break;
    case kRecSampleRate:
        next.Rate = Dword(r + 3);
        break;
    case kRecDeflectionA:
    case kRecDeflectionB:
        next.Deflection[type - kRecDeflectionA] = static_cast<int32_t>(Dword(r + 3));
        break;
    default:
        break;
    }
    next.Seen |= 1u << type;
    if (S.SectionOpen && !next.SameMeaning(X.FSections.back().Scale))
        CloseSection();
    else
        NonPeriodWords(words);
    S.Scale = next;
}

void TRecordScannerVexaRM::OpenMeasurement(uint64_t i, bool hasStart) {
    TMeasurement m;
    m.StartOffset = i * 2;
    m.EndOffset = i * 2;
    m.HasStart = hasStart;
    m.FirstSection = X.FSections.size();
    m.ScaleAtStart = S.Scale;
    X.FMeasurements.push_back(m);
    S.MeasurementOpen = true;
    S.Cursor = 0;
    S.PendingGap = 0;
    S.PendingDevice = false;
    S.ArmRunOpen = false;
}

void TRecordScannerVexaRM::CloseMeasurement(bool complete, uint64_t endOffset) {
    if (S.SectionOpen) CloseSection();
    TMeasurement &m = X.FMeasurements.back();
    m.Duration = S.Cursor;
    m.Complete = complete;
    m.EndOffset = endOffset;
    S.MeasurementOpen = false;
    S.Cursor = 0;
    S.PendingGap = 0;
    S.PendingDevice = false;
    S.ArmRunOpen = false;
}

void TRecordScannerVexaRM::OpenSection(uint64_t i) {
    if (!S.MeasurementOpen) OpenMeasurement(i, false);
    TSection s;
    s.Measurement = static_cast<uint32_t>(X.FMeasurements.size() - 1);
    s.Scale = S.Scale;
    s.StartOffset = i * 2;
    s.EndOffset = i * 2;
    s.Start = S.Cursor;
    s.GapBefore = S.PendingGap;
    X.FSections.push_back(s);
    ++X.FMeasurements.back().SectionCount;
    S.SectionOpen = true;
    S.PendingGap = 0;
    S.ExtraInSection = 0;
    for (int k = 0; k < kMaxLevels; ++k) {
        S.Acc[k] = TSummary();
        S.AccChildren[k] = 0;
    }
    S.AccPeriods = 0;
    S.AccExtra = 0;
    if (S.PendingDevice) S.Acc[0].Flags |= kEntryDevice;
    S.PendingDevice = false;
}

void TRecordScannerVexaRM::AddPeriod(uint16_t w, uint64_t i) {
    if (!S.SectionOpen) OpenSection(i);
    TSection &sec = X.FSections.back();
    TMeasurement &m = X.FMeasurements.back();
    if (S.AccPeriods == 0) S.AccExtra = static_cast<uint32_t>(S.ExtraInSection);
    if (w == kWordMarker2) {
        S.Acc[0].Flags |= kEntryArm;
        ++sec.ArmMarkers;
        ++m.ArmMarkers;
        if (S.ArmRunOpen && !X.FEvents.empty()) {
            ++X.FEvents.back().Count;
        } else {
            TEvent e;
            e.Kind = EventKind::ArmMarkers;
            e.Measurement = sec.Measurement;
            e.Offset = i * 2;
            e.Time = sec.TimeOf(sec.Periods);
            AddEvent(e);
            S.ArmRunOpen = !S.EventsFull;
        }
    } else {
        S.Acc[0].AddCode(w);
        S.ArmRunOpen = false;
    }
    ++S.AccPeriods;
    ++sec.Periods;
    ++m.Periods;
    sec.EndOffset = (i + 1) * 2;
    if (S.AccPeriods == kLevel1Periods) CloseLevel1();
}

void TRecordScannerVexaRM::AddSamples(const uint16_t *w, uint64_t n, uint64_t i) {
    TSection &sec = X.FSections.back();
    if (S.AccPeriods == 0) S.AccExtra = static_cast<uint32_t>(S.ExtraInSection);
    SummariseSamples(w, n, S.Acc[0]);
    S.AccPeriods += n;
    sec.Periods += n;
    X.FMeasurements.back().Periods += n;
    sec.EndOffset = (i + n) * 2;
    S.ArmRunOpen = false;
    if (S.AccPeriods == kLevel1Periods) CloseLevel1();
}

void TRecordScannerVexaRM::CloseLevel1() {
    TSection &sec = X.FSections.back();
    if (sec.EntryCount[0] == 0) sec.FirstEntry[0] = X.FLevel1.Size();
    ++sec.EntryCount[0];
    X.FLevel1.PushBack(PackLevel1(S.Acc[0], S.AccExtra));
    S.Acc[1].Merge(S.Acc[0]);
    ++S.AccChildren[1];
    S.Acc[0] = TSummary();
    S.AccPeriods = 0;
    if (S.AccChildren[1] == kLevelFanOut) CloseUpper(1);
}

void TRecordScannerVexaRM::CloseUpper(int k) {
    TSection &sec = X.FSections.back();
    if (sec.EntryCount[k] == 0) sec.FirstEntry[k] = X.FUpper[k - 1].Size();
    ++sec.EntryCount[k];
    X.FUpper[k - 1].PushBack(PackUpper(S.Acc[k]));
    if (k + 1 < kMaxLevels) {
        S.Acc[k + 1].Merge(S.Acc[k]);
        ++S.AccChildren[k + 1];
    }
    S.Acc[k] = TSummary();
    S.AccChildren[k] = 0;
    if (k + 1 < kMaxLevels && S.AccChildren[k + 1] == kLevelFanOut) CloseUpper(k + 1);
}

namespace {

// Pushes the partial entries of the last section of index: the level-1
// entry being filled and, at each level whose lower level has more than one
// entry, the merge of what that level has gathered. Returns the levels that
// got an entry.
template <class Index>
uint32_t FlushPartials(Index &x, TSection &sec, const TScanState &s,
                       TLevelStore<TLevel1Entry> &level1, TLevelStore<TUpperEntry> *upper) {
    uint32_t pushed = 0;
    TSummary carry;
    bool hasCarry = false;
    if (s.AccPeriods > 0) {
        if (sec.EntryCount[0] == 0) sec.FirstEntry[0] = level1.Size();
        ++sec.EntryCount[0];
        level1.PushBack(PackLevel1(s.Acc[0], s.AccExtra));
        pushed |= 1;
        carry = s.Acc[0];
        hasCarry = true;
    }
    for (int k = 1; k < kMaxLevels; ++k) {
        if (sec.EntryCount[k - 1] <= 1) break;
        TSummary e = s.Acc[k];
        uint32_t children = s.AccChildren[k];
        if (hasCarry) {
            e.Merge(carry);
            ++children;
        }
        if (children == 0) {
            hasCarry = false;
            continue;
        }
        if (sec.EntryCount[k] == 0) sec.FirstEntry[k] = upper[k - 1].Size();
        ++sec.EntryCount[k];
        upper[k - 1].PushBack(PackUpper(e));
        pushed |= 1u << k;
        carry = e;
        hasCarry = true;
    }
    (void)x;
    return pushed;
}

} // namespace

void TRecordScannerVexaRM::CloseSection() {
    TSection &sec = X.FSections.back();
    FlushPartials(X, sec, S, X.FLevel1, X.FUpper);
    S.SectionOpen = false;
    S.Cursor = sec.End();
    X.FMeasurements.back().Duration = S.Cursor;
    S.ArmRunOpen = false;
    for (int k = 0; k < kMaxLevels; ++k) {
        S.Acc[k] = TSummary();
        S.AccChildren[k] = 0;
    }
    S.AccPeriods = 0;
}

void TRecordScannerVexaRM::Finish(TSummaryIndexVexaRM &into, uint64_t wordPos,
                                  bool atFileEnd) const {
    TScanState &s = into.FState;
    s.ResumeOffset = wordPos * 2;
    s.OddTail = atFileEnd && (File.Bytes() & 1);
    if (!atFileEnd) s.CutOffAt = UINT64_MAX;
    s.OpenLevels = 0;
    if (s.SectionOpen) {
        TSection &sec = into.FSections.back();
        s.OpenLevels = FlushPartials(into, sec, s, into.FLevel1, into.FUpper);
        into.FMeasurements.back().Duration = sec.End();
    }
    if (s.MeasurementOpen) into.FMeasurements.back().EndOffset = s.ResumeOffset;
    into.FPrint = TFingerprint::Of(File);
    if (!atFileEnd) into.FPrint.Length = s.ResumeOffset;
}

} // namespace vexa::rec
