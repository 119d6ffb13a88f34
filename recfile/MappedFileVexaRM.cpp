#include "MappedFileVexaRM.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa::rec {

namespace {
// The empty file maps to this, so Data() is never null.
const uint8_t kEmpty[8] = {};
} // namespace

TMappedFileVexaRM::~TMappedFileVexaRM() {
    if (FData && FData != kEmpty) munmap(const_cast<uint8_t *>(FData), FBytes);
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
