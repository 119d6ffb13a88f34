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
    : FX(index), FS(index.FState), FFile(file), FW(file.WordData()) {}

bool TRecordScannerVexaRM::Run(
    const TProgressFn &progress,
    const std::function<void(std::shared_ptr<TSummaryIndexVexaRM>)> &publish,
    uint64_t publishBytes) {
    Resume();
    const uint64_t words = FFile.Words();
    const uint64_t publishWords = std::max<uint64_t>(publishBytes / 2, kStepWords);
    uint64_t nextPublish = FPos + publishWords;
    while (FPos < words && FS.CutOffAt == UINT64_MAX) {
        ScanTo(std::min(words, FPos + kStepWords));
        if (progress && !progress(FPos * 2, FFile.Bytes())) return false;
        if (publish && FPos >= nextPublish && FPos < words) {
            auto copy = std::make_shared<TSummaryIndexVexaRM>(FX);
            Finish(*copy, FPos, false);
            publish(copy);
            nextPublish = FPos + publishWords;
        }
    }
    Finish(FX, FPos, true);
    if (progress) progress(FFile.Bytes(), FFile.Bytes());
    return true;
}

// Takes back what Finish added for the end of the file, so that the scan
// goes on as if it had never stopped.
void TRecordScannerVexaRM::Resume() {
    FPos = FS.ResumeOffset / 2;
    if (FS.SectionOpen) {
        TSection &sec = FX.FSections.back();
        for (int k = 0; k < kMaxLevels; ++k) {
            if (!(FS.OpenLevels & (1u << k))) continue;
            if (k == 0)
                FX.FLevel1.PopBack();
            else
                FX.FUpper[k - 1].PopBack();
            --sec.EntryCount[k];
        }
    }
    FS.OpenLevels = 0;
    FS.CutOffAt = UINT64_MAX;
    FS.OddTail = false;
    auto &p = FX.FProblems;
    p.erase(std::remove_if(p.begin(), p.end(),
                           [&](const TProblem &q) { return q.Offset >= FS.ResumeOffset; }),
            p.end());
}

void TRecordScannerVexaRM::ScanTo(uint64_t end) {
    const uint64_t words = FFile.Words();
    while (FPos < end) {
        if (FS.SectionOpen) {
            // Fast path: the rest of the level-1 entry from a run of samples.
            const uint64_t want = std::min(kLevel1Periods - FS.AccPeriods, words - FPos);
            const uint64_t run = FindReserved(FW + FPos, want);
            if (run > 0) {
                AddSamples(FW + FPos, run, FPos);
                FPos += run;
                continue;
            }
        }
        const TItem item = ItemAt(FW, FPos, words);
        switch (item.Kind) {
        case ItemKind::Sample:
        case ItemKind::ArmMarker:
            AddPeriod(FW[FPos], FPos);
            break;
        case ItemKind::DeviceMarker: {
            if (!FS.MeasurementOpen) OpenMeasurement(FPos, false);
            TMeasurement &m = FX.FMeasurements.back();
            ++m.DeviceMarkers;
            TEvent e;
            e.Kind = EventKind::DeviceMarker;
            e.Measurement = static_cast<uint32_t>(FX.FMeasurements.size() - 1);
            e.Offset = FPos * 2;
            e.Time = TimeNow();
            AddEvent(e);
            FS.ArmRunOpen = false;
            if (FS.SectionOpen) {
                FS.Acc[0].Flags |= kEntryDevice;
                NonPeriodWords(1);
            } else {
                FS.PendingDevice = true;
            }
            break;
        }
        case ItemKind::ZeroLength:
            AddProblem(ProblemKind::ZeroLength, FPos * 2, 0);
            FS.ArmRunOpen = false;
            NonPeriodWords(1);
            break;
        case ItemKind::Record:
            FS.ArmRunOpen = false;
            Record(FPos, item.Words, item.Type);
            break;
        case ItemKind::CutOff:
            FS.CutOffAt = FPos * 2;
            return;
        }
        FPos += item.Words;
    }
}

void TRecordScannerVexaRM::NonPeriodWords(uint64_t n) {
    if (!FS.SectionOpen) return;
    FS.ExtraInSection += n;
    if (FS.ExtraInSection >= kMaxExtra) CloseSection();
}

TTimeNs TRecordScannerVexaRM::TimeNow() const {
    if (FS.SectionOpen) return FX.FSections.back().TimeOf(FX.FSections.back().Periods);
    return FS.Cursor;
}

void TRecordScannerVexaRM::AddEvent(const TEvent &e) {
    if (FX.FEvents.size() >= TSummaryIndexVexaRM::kMaxEvents) {
        if (!FS.EventsFull) AddProblem(ProblemKind::TooManyEvents, e.Offset, FX.FEvents.size());
        FS.EventsFull = true;
        return;
    }
    FX.FEvents.push_back(e);
}

void TRecordScannerVexaRM::AddProblem(ProblemKind kind, uint64_t offset, uint64_t detail) {
    TProblem p;
    p.Kind = kind;
    p.Offset = offset;
    p.Detail = detail;
    FX.FProblems.push_back(p);
}

void TRecordScannerVexaRM::Record(uint64_t i, uint32_t words, uint16_t type) {
    const uint16_t *r = FW + i;
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
    FX.FSawRecords = true;
    if (type == kRecMeasurement) {
        if (r[3] != 0) {
            if (FS.MeasurementOpen) CloseMeasurement(false, i * 2);
            OpenMeasurement(i, true);
        } else if (FS.MeasurementOpen) {
            CloseMeasurement(true, (i + words) * 2);
        }
        return;
    }
    if (type == kRecLostSamples) {
        const uint64_t count =
            static_cast<uint64_t>(Dword(r + 3)) | (static_cast<uint64_t>(Dword(r + 5)) << 32);
        if (!FS.MeasurementOpen) OpenMeasurement(i, false);
        if (FS.SectionOpen) CloseSection();
        FS.Cursor = PeriodTime(FS.Cursor, FS.Scale.TimingRate(), count);
        FS.PendingGap += count;
        TMeasurement &m = FX.FMeasurements.back();
        ++m.Gaps;
        m.LostPeriods += count;
        m.Duration = FS.Cursor;
        TEvent e;
        e.Kind = EventKind::Gap;
        e.How = static_cast<uint8_t>(r[7]);
        e.Measurement = static_cast<uint32_t>(FX.FMeasurements.size() - 1);
        e.Offset = i * 2;
        e.Time = FS.Cursor;
        e.Count = count;
        AddEvent(e);
        return;
    }
    TScale next = FS.Scale;
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
    if (FS.SectionOpen && !next.SameMeaning(FX.FSections.back().Scale))
        CloseSection();
    else
        NonPeriodWords(words);
    FS.Scale = next;
}

void TRecordScannerVexaRM::OpenMeasurement(uint64_t i, bool hasStart) {
    TMeasurement m;
    m.StartOffset = i * 2;
    m.EndOffset = i * 2;
    m.HasStart = hasStart;
    m.FirstSection = FX.FSections.size();
    m.ScaleAtStart = FS.Scale;
    FX.FMeasurements.push_back(m);
    FS.MeasurementOpen = true;
    FS.Cursor = 0;
    FS.PendingGap = 0;
    FS.PendingDevice = false;
    FS.ArmRunOpen = false;
}

void TRecordScannerVexaRM::CloseMeasurement(bool complete, uint64_t endOffset) {
    if (FS.SectionOpen) CloseSection();
    TMeasurement &m = FX.FMeasurements.back();
    m.Duration = FS.Cursor;
    m.Complete = complete;
    m.EndOffset = endOffset;
    FS.MeasurementOpen = false;
    FS.Cursor = 0;
    FS.PendingGap = 0;
    FS.PendingDevice = false;
    FS.ArmRunOpen = false;
}

void TRecordScannerVexaRM::OpenSection(uint64_t i) {
    if (!FS.MeasurementOpen) OpenMeasurement(i, false);
    TSection s;
    s.Measurement = static_cast<uint32_t>(FX.FMeasurements.size() - 1);
    s.Scale = FS.Scale;
    s.StartOffset = i * 2;
    s.EndOffset = i * 2;
    s.Start = FS.Cursor;
    s.GapBefore = FS.PendingGap;
    FX.FSections.push_back(s);
    ++FX.FMeasurements.back().SectionCount;
    FS.SectionOpen = true;
    FS.PendingGap = 0;
    FS.ExtraInSection = 0;
    for (int k = 0; k < kMaxLevels; ++k) {
        FS.Acc[k] = TSummary();
        FS.AccChildren[k] = 0;
    }
    FS.AccPeriods = 0;
    FS.AccExtra = 0;
    if (FS.PendingDevice) FS.Acc[0].Flags |= kEntryDevice;
    FS.PendingDevice = false;
}

void TRecordScannerVexaRM::AddPeriod(uint16_t w, uint64_t i) {
    if (!FS.SectionOpen) OpenSection(i);
    TSection &sec = FX.FSections.back();
    TMeasurement &m = FX.FMeasurements.back();
    if (FS.AccPeriods == 0) FS.AccExtra = static_cast<uint32_t>(FS.ExtraInSection);
    if (w == kWordMarker2) {
        FS.Acc[0].Flags |= kEntryArm;
        ++sec.ArmMarkers;
        ++m.ArmMarkers;
        if (FS.ArmRunOpen && !FX.FEvents.empty()) {
            ++FX.FEvents.back().Count;
        } else {
            TEvent e;
            e.Kind = EventKind::ArmMarkers;
            e.Measurement = sec.Measurement;
            e.Offset = i * 2;
            e.Time = sec.TimeOf(sec.Periods);
            AddEvent(e);
            FS.ArmRunOpen = !FS.EventsFull;
        }
    } else {
        FS.Acc[0].AddCode(w);
        FS.ArmRunOpen = false;
    }
    ++FS.AccPeriods;
    ++sec.Periods;
    ++m.Periods;
    sec.EndOffset = (i + 1) * 2;
    if (FS.AccPeriods == kLevel1Periods) CloseLevel1();
}

void TRecordScannerVexaRM::AddSamples(const uint16_t *w, uint64_t n, uint64_t i) {
    TSection &sec = FX.FSections.back();
    if (FS.AccPeriods == 0) FS.AccExtra = static_cast<uint32_t>(FS.ExtraInSection);
    SummariseSamples(w, n, FS.Acc[0]);
    FS.AccPeriods += n;
    sec.Periods += n;
    FX.FMeasurements.back().Periods += n;
    sec.EndOffset = (i + n) * 2;
    FS.ArmRunOpen = false;
    if (FS.AccPeriods == kLevel1Periods) CloseLevel1();
}

void TRecordScannerVexaRM::CloseLevel1() {
    TSection &sec = FX.FSections.back();
    if (sec.EntryCount[0] == 0) sec.FirstEntry[0] = FX.FLevel1.Size();
    ++sec.EntryCount[0];
    FX.FLevel1.PushBack(PackLevel1(FS.Acc[0], FS.AccExtra));
    FS.Acc[1].Merge(FS.Acc[0]);
    ++FS.AccChildren[1];
    FS.Acc[0] = TSummary();
    FS.AccPeriods = 0;
    if (FS.AccChildren[1] == kLevelFanOut) CloseUpper(1);
}

void TRecordScannerVexaRM::CloseUpper(int k) {
    TSection &sec = FX.FSections.back();
    if (sec.EntryCount[k] == 0) sec.FirstEntry[k] = FX.FUpper[k - 1].Size();
    ++sec.EntryCount[k];
    FX.FUpper[k - 1].PushBack(PackUpper(FS.Acc[k]));
    if (k + 1 < kMaxLevels) {
        FS.Acc[k + 1].Merge(FS.Acc[k]);
        ++FS.AccChildren[k + 1];
    }
    FS.Acc[k] = TSummary();
    FS.AccChildren[k] = 0;
    if (k + 1 < kMaxLevels && FS.AccChildren[k + 1] == kLevelFanOut) CloseUpper(k + 1);
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
    TSection &sec = FX.FSections.back();
    FlushPartials(FX, sec, FS, FX.FLevel1, FX.FUpper);
    FS.SectionOpen = false;
    FS.Cursor = sec.End();
    FX.FMeasurements.back().Duration = FS.Cursor;
    FS.ArmRunOpen = false;
    for (int k = 0; k < kMaxLevels; ++k) {
        FS.Acc[k] = TSummary();
        FS.AccChildren[k] = 0;
    }
    FS.AccPeriods = 0;
}

void TRecordScannerVexaRM::Finish(TSummaryIndexVexaRM &into, uint64_t wordPos,
                                  bool atFileEnd) const {
    TScanState &s = into.FState;
    s.ResumeOffset = wordPos * 2;
    s.OddTail = atFileEnd && (FFile.Bytes() & 1);
    if (!atFileEnd) s.CutOffAt = UINT64_MAX;
    s.OpenLevels = 0;
    if (s.SectionOpen) {
        TSection &sec = into.FSections.back();
        s.OpenLevels = FlushPartials(into, sec, s, into.FLevel1, into.FUpper);
        into.FMeasurements.back().Duration = sec.End();
    }
    if (s.MeasurementOpen) into.FMeasurements.back().EndOffset = s.ResumeOffset;
    into.FPrint = TFingerprint::Of(FFile);
    if (!atFileEnd) into.FPrint.Length = s.ResumeOffset;
}

} // namespace vexa::rec
