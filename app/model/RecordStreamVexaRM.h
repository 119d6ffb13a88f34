// The open measurement record file: a POSIX file descriptor that is written
// at its end only, under an exclusive advisory lock (flock) for as long as
// it is open, so that no other process writes the same file at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vexa {

class TRecordStreamVexaRM {
public:
    ~TRecordStreamVexaRM();
    TRecordStreamVexaRM(const TRecordStreamVexaRM &) = delete;
    TRecordStreamVexaRM &operator=(const TRecordStreamVexaRM &) = delete;

    // Opens an existing file for reading and writing without truncation;
    // writes go to its end. Null when the file cannot be opened or another
    // process holds it.
    static std::unique_ptr<TRecordStreamVexaRM> OpenForAppending(const std::string &name);
    // Creates a new file; never truncates an existing one (null when the
    // name exists or cannot be created).
    static std::unique_ptr<TRecordStreamVexaRM> CreateNew(const std::string &name);
    // Creates the file or truncates an existing one to 0 bytes; a file that
    // another process holds is left alone (null).
    static std::unique_ptr<TRecordStreamVexaRM> CreateTruncated(const std::string &name);

    // Writes all bytes at the end of the file, retrying short writes and
    // interrupted calls. False on any failure; the bytes of a failed write
    // are cut off again where possible, so the file keeps whole words.
    bool Write(const void *data, size_t bytes);
    // Length of the file in bytes, -1 when it cannot be determined.
    int64_t Size() const;
    const std::string &Name() const { return FFileName; }
    int Descriptor() const { return FFd; }

private:
    TRecordStreamVexaRM(int fd, std::string name);
    int FFd;
    std::string FFileName;
};

} // namespace vexa
