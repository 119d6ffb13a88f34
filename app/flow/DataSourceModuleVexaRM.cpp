#include "DataSourceModuleVexaRM.h"

#include "common/ScopeConstsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vexa {

TDataSourceModuleVexaRM::TDataSourceModuleVexaRM() {
    ResetBuffer();
}

TDataSourceModuleVexaRM::~TDataSourceModuleVexaRM() {
    if (FScope) FScope->UnregisterListener(this);
}

void TDataSourceModuleVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    if (FScope == scope) return;
    if (FScope) FScope->UnregisterListener(this);
    FScope = scope;
    if (FScope) FScope->RegisterListener(FControlGroup, this);
}

void TDataSourceModuleVexaRM::OnScopeNotification(int32_t kind, const int32_t &) {
    if (kind != kNotifyDetach || !FScope) return;
    TVirtualScopeVexaRM *scope = FScope;
    FScope = nullptr;
    scope->UnregisterListener(this);
}

void TDataSourceModuleVexaRM::ResetBuffer() {
    {
        std::lock_guard<std::mutex> g(FBufferLock);
        FReadIndex = 0;
        FWriteIndex = 0;
        FUnread = 0;
        FUnreadNextLap = 0;
        FWriterWrapped = false;
        FSpaceAvailable.Set();
        FDataAvailable.Reset();
        FReadLevel = 1;
    }
    std::memset(FBuffer, 0xA5, kFillBytes);
}

bool TDataSourceModuleVexaRM::RoomFor(int32_t words) const {
    // In the reader's lap every unread word lies behind the write position,
    // and the slot past it is free up to the end of the storage.
    if (!FWriterWrapped) return true;
    // One lap ahead: the unread words of the reader's lap start at
    // ReadIndex, in front of the writer.
    return FUnread == 0 || FWriteIndex + words <= FReadIndex;
}

uint16_t *TDataSourceModuleVexaRM::WaitForRoom(int32_t words, const std::atomic<bool> *abandon,
                                               int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        {
            std::lock_guard<std::mutex> g(FBufferLock);
            if (RoomFor(words)) return FBuffer + FWriteIndex;
        }
        if (abandon) {
            if (!FSpaceAvailable.Wait(*abandon)) return nullptr;
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || !FSpaceAvailable.WaitFor(static_cast<int>(left))) {
            std::lock_guard<std::mutex> g(FBufferLock);
            return RoomFor(words) ? FBuffer + FWriteIndex : nullptr;
        }
    }
}

uint16_t *TDataSourceModuleVexaRM::GetWritePointer(const std::atomic<bool> &abandon) {
    return WaitForRoom(kMaxBlockWords + kRecordRoomWords, &abandon, 0);
}

uint16_t *TDataSourceModuleVexaRM::GetRecordPointer(const std::atomic<bool> &abandon,
                                                    int32_t words) {
    return WaitForRoom(words, &abandon, 0);
}

uint16_t *TDataSourceModuleVexaRM::GetRecordPointerFor(int32_t words, int ms) {
    return WaitForRoom(words, nullptr, ms);
}

uint16_t *TDataSourceModuleVexaRM::GetWritePointerFor(int ms) {
    return WaitForRoom(kMaxBlockWords + kRecordRoomWords, nullptr, ms);
}

void TDataSourceModuleVexaRM::CommitWrite(int32_t n) {
    if (n < 0) n = 0;
    if (n > kMaxBlockWords) n = kMaxBlockWords; // the slot holds no more
    std::lock_guard<std::mutex> g(FBufferLock);
    FWriteIndex += n;
    if (FWriterWrapped)
        FUnreadNextLap += n;
    else
        FUnread += n;
    if (FWriteIndex >= kRingWrapLimit) {
        FWriteIndex = 0;
        FWriterWrapped = true;
    }
    if (RoomFor(kMaxBlockWords + kRecordRoomWords))
        FSpaceAvailable.Set();
    else
        FSpaceAvailable.Reset();
    if (FUnread > 0 && FUnread + FUnreadNextLap >= FReadLevel) FDataAvailable.Set();
}

const uint16_t *TDataSourceModuleVexaRM::GetReadBlock(int32_t &n, int ms) {
    {
        std::lock_guard<std::mutex> g(FBufferLock);
        FReadLevel = 1;
    }
    n = 0;
    if (!FDataAvailable.WaitFor(ms)) return nullptr;
    FReaderInterrupted = false;
    std::lock_guard<std::mutex> g(FBufferLock);
    n = FUnread;
    if (n <= 0) {
        n = 0;
        return nullptr;
    }
    return FBuffer + FReadIndex;
}

const uint16_t *TDataSourceModuleVexaRM::GetReadBatch(int32_t &n, int32_t level, int ms) {
    n = 0;
    level = std::clamp<int32_t>(level, 1, kRingWrapLimit - kMaxBlockWords - kRecordRoomWords);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        {
            std::lock_guard<std::mutex> g(FBufferLock);
            FReadLevel = level;
            const bool reached = FUnread > 0 && FUnread + FUnreadNextLap >= level;
            const bool late = std::chrono::steady_clock::now() >= deadline;
            if (reached || late || FReaderInterrupted.exchange(false)) {
                // The next plain wait of the writer's signal starts afresh.
                FReadLevel = 1;
                if (FUnread <= 0) return nullptr;
                n = FUnread;
                return FBuffer + FReadIndex;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        // A signal left over from before the level was raised only costs
        // one more look.
        FDataAvailable.WaitFor(static_cast<int>(std::max<int64_t>(left, 0)) + 1);
    }
}

void TDataSourceModuleVexaRM::ConsumeRead(int32_t n) {
    std::lock_guard<std::mutex> g(FBufferLock);
    if (n < 0) n = 0;
    if (n > FUnread) n = FUnread; // never release words that were not given
    FUnread -= n;
    FReadIndex += n;
    if (FReadIndex >= kRingWrapLimit && FUnread == 0) {
        // The reader finished the lap in which the writer wrapped.
        FReadIndex = 0;
        FWriterWrapped = false;
        FUnread += FUnreadNextLap;
        FUnreadNextLap = 0;
    }
    // Whatever the writer waits for, it may fit now: it checks for itself.
    if (n > 0 || RoomFor(kMaxBlockWords + kRecordRoomWords)) FSpaceAvailable.Set();
    if (FUnread > 0 && FUnread + FUnreadNextLap >= FReadLevel)
        FDataAvailable.Set();
    else
        FDataAvailable.Reset();
}

void TDataSourceModuleVexaRM::InterruptWaits() {
    FSpaceAvailable.Interrupt();
}

void TDataSourceModuleVexaRM::InterruptReader() {
    FReaderInterrupted = true;
    FDataAvailable.Set();
}

int32_t TDataSourceModuleVexaRM::ReadIndex() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FReadIndex;
}

int32_t TDataSourceModuleVexaRM::WriteIndex() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FWriteIndex;
}

int32_t TDataSourceModuleVexaRM::Unread() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FUnread;
}

int32_t TDataSourceModuleVexaRM::UnreadNextLap() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FUnreadNextLap;
}

bool TDataSourceModuleVexaRM::WriterWrapped() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FWriterWrapped;
}

int32_t TDataSourceModuleVexaRM::Pending() const {
    std::lock_guard<std::mutex> g(FBufferLock);
    return FUnread + FUnreadNextLap;
}

} // namespace vexa
