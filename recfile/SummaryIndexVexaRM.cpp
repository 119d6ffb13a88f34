#include "SummaryIndexVexaRM.h"

#include "MappedFileVexaRM.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace vexa::rec {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "record files are little-endian");

// ---- Entries -------------------------------------------------------------

namespace {
constexpr uint32_t kSumMask = (1u << 18) - 1;
} // namespace

TSummary Widen(const TLevel1Entry &e) {
    TSummary s;
    s.Values = e.SumPacked[0] >> 18;
    s.Flags = e.SumPacked[1] >> 18;
    for (int c = 0; c < 2; ++c) {
        s.Min[c] = e.Min[c];
        s.Max[c] = e.Max[c];
        s.Sum[c] = e.SumPacked[c] & kSumMask;
        s.SumSquares[c] = e.SumSquares[c];
    }
    return s;
}

TSummary Widen(const TUpperEntry &e) {
    TSummary s;
    s.Values = e.Values;
    s.Flags = e.Flags;
    for (int c = 0; c < 2; ++c) {
        s.Min[c] = e.Min[c];
        s.Max[c] = e.Max[c];
        s.Sum[c] = e.Sum[c];
        s.SumSquares[c] = e.SumSquares[c];
    }
    return s;
}

TLevel1Entry PackLevel1(const TSummary &s, uint32_t extra) {
    TLevel1Entry e{};
    e.Extra = extra;
    for (int c = 0; c < 2; ++c) {
        e.Min[c] = s.Min[c];
        e.Max[c] = s.Max[c];
        e.SumSquares[c] = static_cast<uint32_t>(s.SumSquares[c]);
    }
    e.SumPacked[0] = static_cast<uint32_t>(s.Sum[0]) | (static_cast<uint32_t>(s.Values) << 18);
    e.SumPacked[1] = static_cast<uint32_t>(s.Sum[1]) | (s.Flags << 18);
    return e;
}

TUpperEntry PackUpper(const TSummary &s) {
    TUpperEntry e{};
    e.Values = s.Values;
    e.Flags = s.Flags;
    for (int c = 0; c < 2; ++c) {
        e.Min[c] = s.Min[c];
        e.Max[c] = s.Max[c];
        e.Sum[c] = s.Sum[c];
        e.SumSquares[c] = s.SumSquares[c];
    }
    return e;
}

template <class E> void TLevelStore<E>::PushBack(const E &e) {
    const uint64_t slot = FSize & (kChunk - 1);
    if (slot == 0 && (FSize >> kShift) == FChunks.size()) {
        auto c = std::make_shared<Chunk>();
        c->Own.reset(new E[kChunk]);
        c->Data = c->Own.get();
        FChunks.push_back(c);
    } else {
        std::shared_ptr<Chunk> &c = FChunks[FSize >> kShift];
        // Copy a chunk before writing when another store (a snapshot) or a
        // mapping holds it.
        if (!c->Own || c.use_count() > 1) {
            auto copy = std::make_shared<Chunk>();
            copy->Own.reset(new E[kChunk]);
            std::memcpy(static_cast<void *>(copy->Own.get()), c->Data, slot * sizeof(E));
            copy->Data = copy->Own.get();
            c = copy;
        }
    }
    FChunks[FSize >> kShift]->Own[slot] = e;
    ++FSize;
}

template <class E>
void TLevelStore<E>::AdoptMapped(const E *data, uint64_t n, std::shared_ptr<const void> owner) {
    FChunks.clear();
    for (uint64_t i = 0; i < n; i += kChunk) {
        auto c = std::make_shared<Chunk>();
        c->Data = data + i;
        c->Owner = owner;
        FChunks.push_back(c);
    }
    FSize = n;
}

template class TLevelStore<TLevel1Entry>;
template class TLevelStore<TUpperEntry>;

uint64_t TSummaryIndexVexaRM::EntryCount(int level) const {
    return level == 1 ? FLevel1.Size() : FUpper[level - 2].Size();
}

TSummary TSummaryIndexVexaRM::Entry(int level, uint64_t i) const {
    return level == 1 ? Widen(FLevel1[i]) : Widen(FUpper[level - 2][i]);
}

uint64_t TSummaryIndexVexaRM::StorageBytes() const {
    uint64_t n = FLevel1.Size() * sizeof(TLevel1Entry);
    for (const auto &u : FUpper)
        n += u.Size() * sizeof(TUpperEntry);
    return n + FSections.size() * sizeof(TSection) + FMeasurements.size() * sizeof(TMeasurement) +
           FEvents.size() * sizeof(TEvent);
}

std::vector<TProblem> TSummaryIndexVexaRM::Problems() const {
    std::vector<TProblem> all = FProblems;
    for (size_t m = 0; m < FMeasurements.size(); ++m) {
        if (FMeasurements[m].Complete) continue;
        TProblem p;
        p.Kind = ProblemKind::Incomplete;
        p.Offset = FMeasurements[m].StartOffset;
        p.Detail = m + 1;
        all.push_back(p);
    }
    if (FState.CutOffAt != UINT64_MAX) {
        TProblem p;
        p.Kind = ProblemKind::CutOff;
        p.Offset = FState.CutOffAt;
        all.push_back(p);
    }
    if (FState.OddTail) {
        TProblem p;
        p.Kind = ProblemKind::OddLength;
        p.Offset = FPrint.Length - 1;
        all.push_back(p);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const TProblem &a, const TProblem &b) { return a.Offset < b.Offset; });
    return all;
}

// ---- Fingerprint -------------------------------------------------------

namespace {

constexpr uint64_t kPrintBytes = 64 * 1024;

uint64_t Hash(const uint8_t *p, uint64_t n) {
    uint64_t h = 1469598103934665603ull;
    for (uint64_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

} // namespace

TFingerprint TFingerprint::Of(const TMappedFileVexaRM &file) {
    TFingerprint f;
    f.Length = file.Bytes();
    f.MTimeNs = file.MTimeNs();
    f.HeadBytes = f.Length < kPrintBytes ? f.Length : kPrintBytes;
    f.HeadHash = Hash(file.Data(), f.HeadBytes);
    f.TailBytes = f.HeadBytes;
    f.TailHash = Hash(file.Data() + f.Length - f.TailBytes, f.TailBytes);
    return f;
}

bool TFingerprint::GrownInto(const TMappedFileVexaRM &file) const {
    if (file.Bytes() <= Length) return false;
    return Hash(file.Data(), HeadBytes) == HeadHash &&
           Hash(file.Data() + Length - TailBytes, TailBytes) == TailHash;
}

// ---- Index file ----------------------------------------------------------

namespace {

constexpr char kMagic[8] = {'V', 'X', 'R', 'M', 'I', 'N', 'D', 'X'};
constexpr uint32_t kVersion = 1;

struct THeader {
    char Magic[8];
    uint32_t Version;
    uint32_t Sizes; // a check that the stored structures match this build
    uint64_t TotalBytes;
    TFingerprint Print;
    TScanState State;
    uint64_t SawRecords;
    uint64_t LevelCount[kMaxLevels];
    uint64_t LevelOffset[kMaxLevels];
    uint64_t TableCount[4]; // measurements, sections, events, problems
    uint64_t TableOffset[4];
};

uint32_t SizesCheck() {
    return static_cast<uint32_t>(sizeof(TSection) * 31 + sizeof(TMeasurement) * 17 +
                                 sizeof(TEvent) * 7 + sizeof(TProblem) * 3 + sizeof(THeader));
}

static_assert(std::is_trivially_copyable<TSection>::value, "sections are stored raw");
static_assert(std::is_trivially_copyable<TMeasurement>::value, "measurements are stored raw");
static_assert(std::is_trivially_copyable<TEvent>::value, "events are stored raw");
static_assert(std::is_trivially_copyable<TProblem>::value, "problems are stored raw");
static_assert(std::is_trivially_copyable<TScanState>::value, "the scan state is stored raw");

uint64_t Align8(uint64_t n) {
    return (n + 7) & ~uint64_t(7);
}

// Buffered writes to a file descriptor.
class TWriter {
public:
    explicit TWriter(int fd) : Fd(fd) { Buf.reserve(kBuf); }
    ~TWriter() { Flush(); }
    void Put(const void *p, uint64_t n) {
        const uint8_t *b = static_cast<const uint8_t *>(p);
        while (n > 0) {
            const uint64_t k = n < kBuf - Buf.size() ? n : kBuf - Buf.size();
            Buf.insert(Buf.end(), b, b + k);
            b += k;
            n -= k;
            Pos += k;
            if (Buf.size() == kBuf) Flush();
        }
    }
    void PadTo8() {
        static const uint8_t zeros[8] = {};
        Put(zeros, Align8(Pos) - Pos);
    }
    bool Flush() {
        size_t done = 0;
        while (done < Buf.size()) {
            const ssize_t w = ::write(Fd, Buf.data() + done, Buf.size() - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                Ok = false;
                break;
            }
            done += static_cast<size_t>(w);
        }
        Buf.clear();
        return Ok;
    }
    uint64_t Pos = 0;
    bool Ok = true;

private:
    static constexpr size_t kBuf = 1 << 20;
    int Fd;
    std::vector<uint8_t> Buf;
};

template <class T>
void PutTable(TWriter &w, const std::vector<T> &v, uint64_t *count, uint64_t *offset) {
    w.PadTo8();
    *offset = w.Pos;
    *count = v.size();
    if (!v.empty()) w.Put(v.data(), v.size() * sizeof(T));
}

template <class T>
bool GetTable(const uint8_t *data, uint64_t bytes, uint64_t count, uint64_t offset,
              std::vector<T> *out) {
    if (offset > bytes || count > (bytes - offset) / sizeof(T)) return false;
    out->resize(count);
    if (count) std::memcpy(static_cast<void *>(out->data()), data + offset, count * sizeof(T));
    return true;
}

// A mapped index file, kept alive by the stores that point into it.
struct TIndexMapping {
    const uint8_t *Data = nullptr;
    uint64_t Bytes = 0;
    ~TIndexMapping() {
        if (Data) munmap(const_cast<uint8_t *>(Data), Bytes);
    }
};

std::shared_ptr<TIndexMapping> MapFd(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(sizeof(THeader))) return nullptr;
    void *p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return nullptr;
    auto m = std::make_shared<TIndexMapping>();
    m->Data = static_cast<const uint8_t *>(p);
    m->Bytes = static_cast<uint64_t>(st.st_size);
    return m;
}

} // namespace

bool TSummaryIndexVexaRM::WriteTo(int fd) const {
    THeader h{};
    std::memcpy(h.Magic, kMagic, sizeof kMagic);
    h.Version = kVersion;
    h.Sizes = SizesCheck();
    h.Print = FPrint;
    h.State = FState;
    h.SawRecords = FSawRecords;
    TWriter w(fd);
    w.Put(&h, sizeof h);
    for (int k = 0; k < kMaxLevels; ++k) {
        w.PadTo8();
        h.LevelOffset[k] = w.Pos;
        h.LevelCount[k] = EntryCount(k + 1);
        auto put = [&](const auto *p, size_t n) { w.Put(p, n * sizeof(*p)); };
        if (k == 0)
            FLevel1.ForEachRun(put);
        else
            FUpper[k - 1].ForEachRun(put);
    }
    PutTable(w, FMeasurements, &h.TableCount[0], &h.TableOffset[0]);
    PutTable(w, FSections, &h.TableCount[1], &h.TableOffset[1]);
    PutTable(w, FEvents, &h.TableCount[2], &h.TableOffset[2]);
    PutTable(w, FProblems, &h.TableCount[3], &h.TableOffset[3]);
    h.TotalBytes = w.Pos;
    if (!w.Flush()) return false;
    return ::pwrite(fd, &h, sizeof h, 0) == static_cast<ssize_t>(sizeof h);
}

bool TSummaryIndexVexaRM::Save(const std::string &path, std::string *error) const {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteTo(fd);
    ok = (::fsync(fd) == 0) && ok;
    ::fchmod(fd, 0644);
    ::close(fd);
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    if (error) *error = path + ": " + std::strerror(errno ? errno : EIO);
    std::remove(temp.c_str());
    return false;
}

std::shared_ptr<TSummaryIndexVexaRM>
TSummaryIndexVexaRM::ParkInTemp(const TSummaryIndexVexaRM &index) {
    const char *dir = std::getenv("TMPDIR");
    std::string temp = std::string(dir && *dir ? dir : "/tmp") + "/vexa-index-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return nullptr;
    ::unlink(temp.c_str());
    std::shared_ptr<TSummaryIndexVexaRM> out;
    if (index.WriteTo(fd)) {
        if (auto m = MapFd(fd)) out = FromMapping(m, m->Data, m->Bytes);
    }
    ::close(fd);
    return out;
}

TSummaryIndexVexaRM::LoadStatus
TSummaryIndexVexaRM::Load(const std::string &path, const TMappedFileVexaRM &file,
                          std::shared_ptr<TSummaryIndexVexaRM> *out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? LoadStatus::Missing : LoadStatus::Unreadable;
    auto m = MapFd(fd);
    ::close(fd);
    if (!m) return LoadStatus::Unreadable;
    auto index = FromMapping(m, m->Data, m->Bytes);
    if (!index) return LoadStatus::Unreadable;
    const TFingerprint &f = index->FPrint;
    const TFingerprint now = TFingerprint::Of(file);
    LoadStatus status = LoadStatus::Stale;
    if (f.Length == now.Length && f.MTimeNs == now.MTimeNs && f.HeadHash == now.HeadHash &&
        f.TailHash == now.TailHash)
        status = LoadStatus::Current;
    else if (f.GrownInto(file))
        status = LoadStatus::Grown;
    if (status != LoadStatus::Stale) *out = index;
    return status;
}

std::shared_ptr<TSummaryIndexVexaRM>
TSummaryIndexVexaRM::FromMapping(std::shared_ptr<const void> owner, const uint8_t *data,
                                 uint64_t bytes) {
    THeader h;
    if (bytes < sizeof h) return nullptr;
    std::memcpy(&h, data, sizeof h);
    if (std::memcmp(h.Magic, kMagic, sizeof kMagic) != 0 || h.Version != kVersion ||
        h.Sizes != SizesCheck() || h.TotalBytes != bytes)
        return nullptr;
    auto x = std::make_shared<TSummaryIndexVexaRM>();
    x->FPrint = h.Print;
    x->FState = h.State;
    x->FSawRecords = h.SawRecords != 0;
    for (int k = 0; k < kMaxLevels; ++k) {
        const uint64_t size = k == 0 ? sizeof(TLevel1Entry) : sizeof(TUpperEntry);
        if (h.LevelOffset[k] > bytes || h.LevelOffset[k] % 8 ||
            h.LevelCount[k] > (bytes - h.LevelOffset[k]) / size)
            return nullptr;
        if (k == 0)
            x->FLevel1.AdoptMapped(reinterpret_cast<const TLevel1Entry *>(data + h.LevelOffset[0]),
                                   h.LevelCount[0], owner);
        else
            x->FUpper[k - 1].AdoptMapped(
                reinterpret_cast<const TUpperEntry *>(data + h.LevelOffset[k]), h.LevelCount[k],
                owner);
    }
    if (!GetTable(data, bytes, h.TableCount[0], h.TableOffset[0], &x->FMeasurements) ||
        !GetTable(data, bytes, h.TableCount[1], h.TableOffset[1], &x->FSections) ||
        !GetTable(data, bytes, h.TableCount[2], h.TableOffset[2], &x->FEvents) ||
        !GetTable(data, bytes, h.TableCount[3], h.TableOffset[3], &x->FProblems))
        return nullptr;
    // A damaged index must not lead a reader outside its tables or the file.
    for (const TSection &s : x->FSections) {
        if (s.Measurement >= x->FMeasurements.size() || s.StartOffset > s.EndOffset ||
            s.EndOffset > h.Print.Length || s.Periods > (s.EndOffset - s.StartOffset) / 2)
            return nullptr;
        for (int k = 0; k < kMaxLevels; ++k)
            if (s.EntryCount[k] > h.LevelCount[k] ||
                s.FirstEntry[k] > h.LevelCount[k] - s.EntryCount[k])
                return nullptr;
    }
    for (const TMeasurement &m : x->FMeasurements)
        if (m.FirstSection > x->FSections.size() ||
            m.SectionCount > x->FSections.size() - m.FirstSection)
            return nullptr;
    for (const TEvent &e : x->FEvents)
        if (e.Measurement >= x->FMeasurements.size()) return nullptr;
    if (h.State.SectionOpen && x->FSections.empty()) return nullptr;
    if (h.State.MeasurementOpen && x->FMeasurements.empty()) return nullptr;
    return x;
}

} // namespace vexa::rec
