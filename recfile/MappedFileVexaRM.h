// A record file mapped read-only. The file is opened with O_RDONLY and
// mapped with PROT_READ, so nothing done through this class can change it.
// A file that grows is followed by mapping it again (Remap). A file that
// another program shortens reads as zero words past its new end until it is
// mapped again; reading it never ends the program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vexa::rec {

class TMappedFileVexaRM {
public:
    ~TMappedFileVexaRM();
    TMappedFileVexaRM(const TMappedFileVexaRM &) = delete;
    TMappedFileVexaRM &operator=(const TMappedFileVexaRM &) = delete;

    // Maps the whole file; null with a message in *error (no such file, a
    // folder, unreadable) when it cannot.
    static std::shared_ptr<TMappedFileVexaRM> Open(const std::string &path, std::string *error);
    // A new mapping of the same open file at its current length (the file
    // may have grown); the old mapping stays valid for whoever holds it.
    std::shared_ptr<TMappedFileVexaRM> Remap(std::string *error) const;

    const std::string &Path() const { return FPath; }
    uint64_t Bytes() const { return FBytes; }
    uint64_t Words() const { return FBytes / 2; }
    const uint8_t *Data() const { return FData; }
    const uint16_t *WordData() const { return reinterpret_cast<const uint16_t *>(FData); }
    // Modification time of the file when it was mapped, in nanoseconds.
    int64_t MTimeNs() const { return FMTimeNs; }
    // Current length of the file on disk (may differ from Bytes()); -1 on error.
    int64_t CurrentBytes() const;
    // Tells the system that the file will be read from front to back.
    void AdviseSequential() const;

private:
    TMappedFileVexaRM() = default;
    static std::shared_ptr<TMappedFileVexaRM> MapFd(std::shared_ptr<int> fd, std::string path,
                                                    std::string *error);
    std::shared_ptr<int> FFd; // shared by every mapping of one open file
    std::string FPath;
    const uint8_t *FData = nullptr;
    uint64_t FBytes = 0;
    int64_t FMTimeNs = 0;
};

} // namespace vexa::rec
