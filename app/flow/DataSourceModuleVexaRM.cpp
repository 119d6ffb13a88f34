#include "DataSourceModuleVexaRM.h"

#include "ScopeConstsVexaRM.h"
#include "VirtualScopeVexaRM.h"

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
        std::lock_guard<std::mutex> g(BufferLock);
        FReadIndex = 0;
        FWriteIndex = 0;
        FUnread = 0;
        FUnreadNextLap = 0;
        FWriterWrapped = false;
        SpaceAvailable.Set();
        DataAvailable.Reset();
    }
    std::memset(Buffer, 0xA5, kFillBytes);
}

bool TDataSourceModuleVexaRM::RoomForBlock() const {
    // In the reader's lap every unread word lies behind the write position,
    // and the slot past it is free up to the end of the storage.
    if (!FWriterWrapped) return true;
    // One lap ahead: the unread words of the reader's lap start at
    // ReadIndex, in front of the writer.
    return FUnread == 0 || FWriteIndex + kMaxBlockWords <= FReadIndex;
}

uint16_t *TDataSourceModuleVexaRM::GetWritePointer(const std::atomic<bool> &abandon) {
    if (!SpaceAvailable.Wait(abandon)) return nullptr;
    std::lock_guard<std::mutex> g(BufferLock);
    return Buffer + FWriteIndex;
}

uint16_t *TDataSourceModuleVexaRM::GetWritePointerFor(int ms) {
    if (!SpaceAvailable.WaitFor(ms)) return nullptr;
    std::lock_guard<std::mutex> g(BufferLock);
    return Buffer + FWriteIndex;
}

void TDataSourceModuleVexaRM::CommitWrite(int32_t n) {
    if (n < 0) n = 0;
    if (n > kMaxBlockWords) n = kMaxBlockWords; // the slot holds no more
    std::lock_guard<std::mutex> g(BufferLock);
    FWriteIndex += n;
    if (FWriterWrapped)
        FUnreadNextLap += n;
    else
        FUnread += n;
    if (FWriteIndex >= kRingWrapLimit) {
        FWriteIndex = 0;
        FWriterWrapped = true;
    }
    if (RoomForBlock())
        SpaceAvailable.Set();
    else
        SpaceAvailable.Reset();
    if (FUnread > 0) DataAvailable.Set();
}

const uint16_t *TDataSourceModuleVexaRM::GetReadBlock(int32_t &n, int ms) {
    n = 0;
    if (!DataAvailable.WaitFor(ms)) return nullptr;
    std::lock_guard<std::mutex> g(BufferLock);
    n = FUnread;
    if (n <= 0) {
        n = 0;
        return nullptr;
    }
    return Buffer + FReadIndex;
}

void TDataSourceModuleVexaRM::ConsumeRead(int32_t n) {
    std::lock_guard<std::mutex> g(BufferLock);
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
    if (RoomForBlock()) SpaceAvailable.Set();
    if (FUnread > 0)
        DataAvailable.Set();
    else
        DataAvailable.Reset();
}

void TDataSourceModuleVexaRM::InterruptWaits() {
    SpaceAvailable.Interrupt();
}

void TDataSourceModuleVexaRM::InterruptReader() {
    DataAvailable.Set();
}

int32_t TDataSourceModuleVexaRM::ReadIndex() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FReadIndex;
}

int32_t TDataSourceModuleVexaRM::WriteIndex() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FWriteIndex;
}

int32_t TDataSourceModuleVexaRM::Unread() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FUnread;
}

int32_t TDataSourceModuleVexaRM::UnreadNextLap() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FUnreadNextLap;
}

bool TDataSourceModuleVexaRM::WriterWrapped() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FWriterWrapped;
}

int32_t TDataSourceModuleVexaRM::Pending() const {
    std::lock_guard<std::mutex> g(BufferLock);
    return FUnread + FUnreadNextLap;
}

} // namespace vexa
