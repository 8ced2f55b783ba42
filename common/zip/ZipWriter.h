#pragma once
// Writes ZIP archives: stored or deflated entries streamed from disk or memory, UTF-8 names, empty
// folder entries, ZIP64 records where sizes, offsets or the entry count need them, and adding entries
// to an existing archive without putting its old content at risk.
//
// Entries to an existing archive go after its old end records, which stay untouched until the new
// central directory is complete; if that cannot be written the file is cut back to its old length.
// An entry whose source fails half-way is removed again, so the archive always ends up holding the
// entries that were added completely. Every failure raises EZipError.
//
// Deflated entries are compressed on every processor at once (ZipParallelDeflate.h).
#include "platform/Platform.h"
#include "zip/ZipDirectory.h"
#include "zip/ZipOutput.h"
#include "zip/ZipParallelDeflate.h"
#include "zip/ZipRecords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TZipMethod : uint16_t { zmStored = 0, zmDeflated = 8 };

// Told the bytes of the entry's source consumed so far, as they reach the archive. An error it raises
// fails the entry like an error of its source.
using TZipProgress = std::function<void(uint64_t consumed)>;

enum class TZipOpenMode {
    zoCreate,         // a new archive, replacing a file of that name
    zoAppend,         // add to an existing archive
    zoCreateOrAppend, // add when the file exists, otherwise create it
};

class TZipWriter {
public:
    TZipWriter(const std::string& path, TZipOpenMode mode);
    // Closes the archive; a failure is not reported there, so call Close to learn of it.
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // The file is streamed and never held in memory; it is opened so that nobody may write to it
    // meanwhile, and one that somebody is writing cannot be added.
    void AddFile(const std::string& fileName, const std::string& entryName, TZipMethod method,
                 const TZipProgress& progress = {});
    void AddBuffer(const std::string& entryName, const void* data, size_t size, TZipMethod method,
                   const plat::FileTime& modified);
    // An empty entry standing for a folder; its name gets a trailing backslash if it has none.
    void AddFolder(const std::string& entryName, const plat::FileTime& modified);
    // Writes the central directory. Nothing can be added afterwards.
    void Close();

    uint64_t EntryCount() const { return old_.Entries + entries_.size(); }

private:
    using Source = zip::ParallelDeflater::Source;

    zip::Entry NewEntry(const std::string& name, TZipMethod method, const plat::FileTime& modified) const;
    void WriteEntry(zip::Entry& e, const Source& read, const TZipProgress& progress = {});
    void CopyStored(zip::Entry& e, const Source& read, const TZipProgress& progress);
    void CopyDeflated(zip::Entry& e, const Source& read, const TZipProgress& progress);
    void WriteDirectory();
    void Abandon() noexcept;
    void CheckOpen() const;

    std::string path_;
    std::unique_ptr<plat::IFile> file_;
    std::unique_ptr<zip::Output> out_;
    zip::ExistingDirectory old_;
    std::vector<zip::Entry> entries_;
    std::unique_ptr<zip::ParallelDeflater> deflater_; // made for the first deflated entry
    bool appending_ = false;
    uint64_t originalSize_ = 0;
    uint64_t end_ = 0; // after the last complete entry
};
