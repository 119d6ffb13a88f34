// A record file opened for reading: the entry point of the library.
//
//   std::string error;
//   auto file = TRecordFileVexaRM::Open("sdata.rmd", &error);   // maps it
//   file->EnsureIndex();               // loads sdata.ind, extends or builds it
//   auto reader = file->Reader();      // queries: RecordReaderVexaRM.h
//
// The record file is only ever opened read-only and mapped; nothing here
// writes to it. The index <name>.ind (the name with its last three
// characters replaced by "ind") is loaded when it matches the file, extended
// when the file has grown by appending, and built anew when it is stale or
// foreign. An index that cannot be written beside the file is kept for this
// session only. A viewer builds the index on a worker thread instead
// (TIndexBuilderVexaRM) and hands the result to SetIndex.
//
// Not thread-safe itself: one thread (the user interface) owns it; the
// readers it hands out may be used from any thread.
#pragma once

#include "IndexBuilderVexaRM.h"
#include "MappedFileVexaRM.h"
#include "RecordReaderVexaRM.h"
#include "SummaryIndexVexaRM.h"

#include <memory>
#include <string>

namespace vexa::rec {

class TRecordFileVexaRM {
public:
    using LoadStatus = TSummaryIndexVexaRM::LoadStatus;

    // Maps the file. Null with one line in *error when it does not exist,
    // cannot be read, or is not a record file (no setting record near its
    // start or its end).
    static std::unique_ptr<TRecordFileVexaRM> Open(const std::string &path, std::string *error);
    // The companion index name of a record file name.
    static std::string IndexPathFor(const std::string &path);

    const std::string &Path() const { return FMapping->Path(); }
    std::string IndexPath() const { return IndexPathFor(Path()); }
    uint64_t Bytes() const { return FMapping->Bytes(); }
    std::shared_ptr<const TMappedFileVexaRM> Mapping() const { return FMapping; }

    // Looks at the stored index: Current and Grown ones are taken (a Grown
    // one covers the file's first bytes until it is extended).
    LoadStatus LoadIndex();
    // Loads, extends or builds the index as needed (see LoadIndex), on the
    // calling thread. Result.Index is null when progress cancelled.
    TIndexResult EnsureIndex(const TProgressFn &progress = {});
    // Builds the index anew, ignoring a stored one.
    TIndexResult RebuildIndex(const TProgressFn &progress = {});
    // Takes an index built elsewhere (a worker's result or snapshot).
    void SetIndex(std::shared_ptr<const TSummaryIndexVexaRM> index);
    std::shared_ptr<const TSummaryIndexVexaRM> Index() const { return FIndex; }
    // True when the index covers the whole mapped file.
    bool IndexCurrent() const;

    // Maps the file again when its length changed (a file being recorded);
    // true when it did. A file that shrank loses its index (it must be
    // rebuilt). Readers handed out before keep their old mapping.
    bool Refresh(std::string *error);

    // A reader on the current mapping and index; null without an index.
    std::shared_ptr<const TRecordReaderVexaRM> Reader() const;

private:
    explicit TRecordFileVexaRM(std::shared_ptr<TMappedFileVexaRM> mapping);
    std::shared_ptr<TMappedFileVexaRM> FMapping;
    std::shared_ptr<const TSummaryIndexVexaRM> FIndex;
};

} // namespace vexa::rec
