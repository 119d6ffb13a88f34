// The ring of 16-bit words between the acquisition thread (single writer)
// and the processing thread (single reader).
#pragma once

#include "AutoResetEventVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "model/ScopeListenerVexaRM.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace vexa {

class TVirtualScopeVexaRM;

class TDataSourceModuleVexaRM : public IScopeListenerVexaRM {
public:
    // The largest block one write may produce: the room the application
    // gives one read.
    static constexpr int32_t kMaxBlockWords = vexa::kMaxBlockWords;
    // An index that reaches or passes this after an addition goes back to 0.
    static constexpr int32_t kRingWrapLimit = 15 * kMaxBlockWords;
    // The storage runs one largest block past the wrap limit, so a block
    // that starts below the limit always fits in one piece.
    static constexpr int32_t kStorageWords = kRingWrapLimit + kMaxBlockWords;
    // Bytes filled with 0xA5 by ResetBuffer, so that stale words stand out.
    static constexpr int32_t kFillBytes = 524288;
    // Room a block leaves free in front of the oldest unread word, so that
    // the setting records that follow it (a drain holds at most 1,025 words)
    // always find room at once, also the stop record at shutdown.
    static constexpr int32_t kRecordRoomWords = 2048;

    TDataSourceModuleVexaRM();
    ~TDataSourceModuleVexaRM() override;
    TDataSourceModuleVexaRM(const TDataSourceModuleVexaRM &) = delete;
    TDataSourceModuleVexaRM &operator=(const TDataSourceModuleVexaRM &) = delete;

    int32_t ControlGroup() const { return FControlGroup; }
    void SetControlGroup(int32_t group) { FControlGroup = group; }
    // Setting the scope registers the module as its listener under
    // ControlGroup; on notification 3 it detaches and forgets the scope.
    TVirtualScopeVexaRM *VirtualScope() const { return FScope; }
    void SetVirtualScope(TVirtualScopeVexaRM *scope);
    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;

    // Main thread, while no worker thread runs: an empty ring.
    void ResetBuffer();

    // Writer: waits until the slot at WriteIndex can take a block of up to
    // kMaxBlockWords words without touching an unread word (and leaves
    // kRecordRoomWords behind it), then returns its address. Returns nullptr
    // without waiting further once abandon is set (and InterruptWaits was
    // called), e.g. when the writer must terminate.
    uint16_t *GetWritePointer(const std::atomic<bool> &abandon);
    // As GetWritePointer for a run of at most words words (setting
    // records); words up to kRecordRoomWords never wait behind a block.
    uint16_t *GetRecordPointer(const std::atomic<bool> &abandon, int32_t words);
    // As GetRecordPointer, but gives up after ms milliseconds (nullptr).
    uint16_t *GetRecordPointerFor(int32_t words, int ms);
    // As GetWritePointer, but gives up after ms milliseconds (nullptr).
    uint16_t *GetWritePointerFor(int ms);
    // Writer: publishes the n words just written at the write pointer.
    void CommitWrite(int32_t n);

    // Reader: waits at most ms milliseconds (1000 by default) for words;
    // returns the address of the contiguous run of unread words of the
    // reader's lap and its length in n, or nullptr (n = 0) if none came.
    const uint16_t *GetReadBlock(int32_t &n, int ms = 1000);
    // Reader: as GetReadBlock, but waits until at least level words are
    // unread (both laps), or ms milliseconds have passed, or InterruptReader
    // was called, whichever comes first; then returns the run there is (it
    // may be shorter than level, or nothing). The writer wakes the reader
    // only once the level is reached, so a reader that asks for a level is
    // woken once per level's worth of blocks instead of once per block.
    const uint16_t *GetReadBatch(int32_t &n, int32_t level, int ms);
    // Reader: releases the first n words of the run it was given.
    void ConsumeRead(int32_t n);

    // Wakes a writer blocked in GetWritePointer to re-check its abandon flag.
    void InterruptWaits();
    // Wakes a reader waiting in GetReadBlock at once (it may get nothing).
    void InterruptReader();

    // Snapshots for readouts and tests.
    int32_t ReadIndex() const;
    int32_t WriteIndex() const;
    int32_t Unread() const;
    int32_t UnreadNextLap() const;
    bool WriterWrapped() const;
    // Words written and not yet consumed, both laps.
    int32_t Pending() const;
    // The writer waits for room now.
    bool WriterWaiting() const { return FSpaceAvailable.Waiters() > 0; }
    const uint16_t *Storage() const { return FBuffer; }

private:
    // With FBufferLock held: true when words words fit at FWriteIndex without
    // reaching the oldest unread word.
    bool RoomFor(int32_t words) const;
    // Waits until words fit: without limit (abandon given) or at most ms.
    uint16_t *WaitForRoom(int32_t words, const std::atomic<bool> *abandon, int ms);

    int32_t FControlGroup = 16;
    TVirtualScopeVexaRM *FScope = nullptr;

    // Guards every index, counter and flag of the ring below (never the
    // words themselves, which only the side that owns them touches).
    mutable std::mutex FBufferLock;
    int32_t FReadIndex = 0;
    int32_t FWriteIndex = 0;
    int32_t FUnread = 0;
    int32_t FUnreadNextLap = 0;
    bool FWriterWrapped = false;

    // Signalled when the writer may find room it lacked (a block fits, or
    // the reader freed words); the writer waits on it and checks its need.
    TAutoResetEventVexaRM FSpaceAvailable;
    // The unread words (both laps) at which the writer signals FDataAvailable;
    // set by the reader before it waits (FBufferLock).
    int32_t FReadLevel = 1;
    // Set by InterruptReader, taken by the reader's next return.
    std::atomic<bool> FReaderInterrupted{false};
    // Signalled while the reader has at least FReadLevel unread words, and
    // by InterruptReader; the reader waits on it.
    TAutoResetEventVexaRM FDataAvailable;

    alignas(64) uint16_t FBuffer[kStorageWords];
};

} // namespace vexa
