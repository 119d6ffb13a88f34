#include "MappedFileVexaRM.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa::rec {

namespace {
// The empty file maps to this, so Data() is never null.
const uint8_t kEmpty[8] = {};

// A mapped file that another program shortens (the recording program
// clearing its record file while it is viewed) leaves pages of the mapping
// past the new end of the file; touching one raises SIGBUS, which would end
// the reader. The guard below turns such a page into a page of zeros, so the
// reader sees zero words there until it maps the file again (Refresh notices
// the shorter length). Faults outside our mappings go on to the handler that
// was there before (by default: the program ends as it would have).
//
// The table of guarded ranges is written by the threads that map and unmap
// (under GuardTableLock, which only they take) and read without a lock by the
// signal handler: each slot is a pair of atomics, and a range is cleared
// before its pages are unmapped.
constexpr int kGuardSlots = 256;
std::atomic<uintptr_t> GuardBegin[kGuardSlots];
std::atomic<uintptr_t> GuardEnd[kGuardSlots];
std::mutex GuardTableLock;
struct sigaction PreviousBusAction;
uintptr_t PageBytes = 4096; // set before the handler is installed

void OnBusError(int sig, siginfo_t *info, void *context) {
    const auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
    for (int i = 0; i < kGuardSlots; ++i) {
        const uintptr_t begin = GuardBegin[i].load(std::memory_order_acquire);
        if (begin == 0 || addr < begin || addr >= GuardEnd[i].load(std::memory_order_acquire))
            continue;
        const uintptr_t page = addr & ~(PageBytes - 1);
        void *p = mmap(reinterpret_cast<void *>(page), PageBytes, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (p != MAP_FAILED) return; // the access is repeated and reads zeros
        break;
    }
    // Not one of ours: hand it on as if this handler were not there.
    if (PreviousBusAction.sa_flags & SA_SIGINFO) {
        if (PreviousBusAction.sa_sigaction)
            return PreviousBusAction.sa_sigaction(sig, info, context);
    } else if (PreviousBusAction.sa_handler != SIG_DFL && PreviousBusAction.sa_handler != SIG_IGN) {
        return PreviousBusAction.sa_handler(sig);
    }
    signal(SIGBUS, SIG_DFL); // the access is repeated and ends the program
}

void InstallBusGuard() {
    static std::once_flag once;
    std::call_once(once, [] {
        PageBytes = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &PreviousBusAction);
    });
}

void GuardRange(const void *data, uint64_t bytes) {
    InstallBusGuard();
    std::lock_guard<std::mutex> lock(GuardTableLock);
    for (int i = 0; i < kGuardSlots; ++i) {
        if (GuardBegin[i].load(std::memory_order_relaxed) != 0) continue;
        GuardEnd[i].store(reinterpret_cast<uintptr_t>(data) + bytes, std::memory_order_release);
        GuardBegin[i].store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
        return;
    }
    // More mappings than slots: this one stays unguarded.
}

void UnguardRange(const void *data) {
    std::lock_guard<std::mutex> lock(GuardTableLock);
    for (int i = 0; i < kGuardSlots; ++i) {
        if (GuardBegin[i].load(std::memory_order_relaxed) != reinterpret_cast<uintptr_t>(data))
            continue;
        GuardBegin[i].store(0, std::memory_order_release);
        GuardEnd[i].store(0, std::memory_order_release);
        return;
    }
}
} // namespace

TMappedFileVexaRM::~TMappedFileVexaRM() {
    if (FData && FData != kEmpty) {
        UnguardRange(FData);
        munmap(const_cast<uint8_t *>(FData), FBytes);
    }
}

std::shared_ptr<TMappedFileVexaRM> TMappedFileVexaRM::Open(const std::string &path,
                                                           std::string *error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    auto shared = std::shared_ptr<int>(new int(fd), [](int *p) {
        ::close(*p);
        delete p;
    });
    return MapFd(shared, path, error);
}

std::shared_ptr<TMappedFileVexaRM> TMappedFileVexaRM::Remap(std::string *error) const {
    return MapFd(FFd, FPath, error);
}

std::shared_ptr<TMappedFileVexaRM> TMappedFileVexaRM::MapFd(std::shared_ptr<int> fd,
                                                            std::string path, std::string *error) {
    struct stat st {};
    if (fstat(*fd, &st) != 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = path + ": not a regular file";
        return nullptr;
    }
    std::shared_ptr<TMappedFileVexaRM> m(new TMappedFileVexaRM());
    m->FFd = std::move(fd);
    m->FPath = std::move(path);
    m->FBytes = static_cast<uint64_t>(st.st_size);
    m->FMTimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (m->FBytes == 0) {
        m->FData = kEmpty;
        return m;
    }
    void *p = mmap(nullptr, m->FBytes, PROT_READ, MAP_SHARED, *m->FFd, 0);
    if (p == MAP_FAILED) {
        if (error) *error = m->FPath + ": cannot be mapped: " + std::strerror(errno);
        return nullptr;
    }
    m->FData = static_cast<const uint8_t *>(p);
    GuardRange(m->FData, m->FBytes);
    return m;
}

int64_t TMappedFileVexaRM::CurrentBytes() const {
    struct stat st {};
    if (fstat(*FFd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

void TMappedFileVexaRM::AdviseSequential() const {
    if (FData != kEmpty && FBytes > 0)
        madvise(const_cast<uint8_t *>(FData), FBytes, MADV_SEQUENTIAL);
}

} // namespace vexa::rec
