#include "RecordStreamVexaRM.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vexa {

TRecordStreamVexaRM::TRecordStreamVexaRM(int fd, std::string name)
    : FFd(fd), FFileName(std::move(name)) {}

TRecordStreamVexaRM::~TRecordStreamVexaRM() {
    if (FFd >= 0) ::close(FFd);
}

namespace {

// Opens name with flags (retrying interrupted calls); -1 on failure. With
// requireRegular anything but a regular file (a folder, a pipe, a device)
// is refused, so that records never go where they cannot be kept.
// Every record file is held under an exclusive advisory lock for as long
// as it is open: a file that another process (another copy of the program)
// writes is refused, never written by two at once. A file system that
// keeps no locks does not stop a recording. O_TRUNC takes effect only once
// the lock is held, so a refused file keeps its contents.
int OpenFile(const std::string &name, int flags, bool requireRegular) {
    if (name.empty()) return -1;
    const bool truncate = (flags & O_TRUNC) != 0;
    int fd;
    do {
        fd = ::open(name.c_str(), (flags & ~O_TRUNC) | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fd;
    struct stat st;
    bool usable = !requireRegular || (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode));
    if (usable) {
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        usable = rc == 0 || errno != EWOULDBLOCK;
    }
    if (usable && truncate) {
        int rc;
        do {
            rc = ::ftruncate(fd, 0);
        } while (rc != 0 && errno == EINTR);
        usable = rc == 0;
    }
    if (!usable) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::unique_ptr<TRecordStreamVexaRM>
TRecordStreamVexaRM::OpenForAppending(const std::string &name) {
    const int fd = OpenFile(name, O_RDWR | O_APPEND, true);
    if (fd < 0) return nullptr;
    return std::unique_ptr<TRecordStreamVexaRM>(new TRecordStreamVexaRM(fd, name));
}

std::unique_ptr<TRecordStreamVexaRM> TRecordStreamVexaRM::CreateNew(const std::string &name) {
    // O_EXCL: only a file that did not exist, which is a regular file.
    const int fd = OpenFile(name, O_RDWR | O_APPEND | O_CREAT | O_EXCL, false);
    if (fd < 0) return nullptr;
    return std::unique_ptr<TRecordStreamVexaRM>(new TRecordStreamVexaRM(fd, name));
}

std::unique_ptr<TRecordStreamVexaRM> TRecordStreamVexaRM::CreateTruncated(const std::string &name) {
    const int fd = OpenFile(name, O_RDWR | O_APPEND | O_CREAT | O_TRUNC, true);
    if (fd < 0) return nullptr;
    return std::unique_ptr<TRecordStreamVexaRM>(new TRecordStreamVexaRM(fd, name));
}

bool TRecordStreamVexaRM::Write(const void *data, size_t bytes) {
    if (FFd < 0) return false;
    if (bytes == 0) return true;
    const off_t before = ::lseek(FFd, 0, SEEK_END);
    const auto *p = static_cast<const uint8_t *>(data);
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(FFd, p + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    if (done == bytes) return true;
    // Cut a partial block off again, so the file ends on a whole block.
    if (before >= 0 && done > 0) {
        int rc;
        do {
            rc = ::ftruncate(FFd, before);
        } while (rc != 0 && errno == EINTR);
    }
    return false;
}

int64_t TRecordStreamVexaRM::Size() const {
    struct stat st;
    if (FFd < 0 || ::fstat(FFd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

} // namespace vexa
