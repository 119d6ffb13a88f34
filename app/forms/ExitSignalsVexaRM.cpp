#include "ExitSignalsVexaRM.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vexa {

namespace {

// The write end of the socket pair, for the handler; -1 while none is set
// up. A lock-free atomic, so reading it in a handler is safe.
std::atomic<int> gWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads it");

extern "C" void OnExitSignal(int signal) {
    const int savedErrno = errno;
    const int fd = gWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // Non-blocking: with the pair full, the reader has enough to read.
        [[maybe_unused]] const ssize_t n = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

TExitSignalsVexaRM::TExitSignalsVexaRM(QObject *parent) : QObject(parent) {
    int fds[2];
    if (gWriteFd.load() >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    FReadFd = fds[0];
    FWriteFd = fds[1];
    if (!SetNonBlocking(FReadFd) || !SetNonBlocking(FWriteFd)) return;
    FNotifier = new QSocketNotifier(FReadFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TExitSignalsVexaRM::OnReadable);
    gWriteFd.store(FWriteFd);
    struct sigaction action = {};
    action.sa_handler = OnExitSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; the program ends through its loop.
    action.sa_flags = SA_RESTART;
    FInstalled = true;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        if (::sigaction(kSignals[i], &action, &FPrevious[i]) != 0) FInstalled = false;
}

TExitSignalsVexaRM::~TExitSignalsVexaRM() {
    if (FWriteFd >= 0 && gWriteFd.load() == FWriteFd) {
        for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
            ::sigaction(kSignals[i], &FPrevious[i], nullptr);
        gWriteFd.store(-1);
    }
    delete FNotifier;
    if (FReadFd >= 0) ::close(FReadFd);
    if (FWriteFd >= 0) ::close(FWriteFd);
}

void TExitSignalsVexaRM::OnReadable() {
    int first = 0;
    unsigned char numbers[64];
    ssize_t n;
    while ((n = ::read(FReadFd, numbers, sizeof numbers)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0 && first == 0) first = numbers[0];
    }
    if (first == 0 || FSignal != 0) return;
    FSignal = first;
    emit ExitRequested(first);
}

} // namespace vexa
