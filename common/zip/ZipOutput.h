#pragma once
// Buffered, sequential output into the archive file. Headers and small entries are gathered into one
// large buffer so that an archive of many small files costs few system calls; a header that is still
// in the buffer is patched there instead of seeking back in the file.
#include "platform/Platform.h"
#include "zip/ZipRecords.h"

#include <string>

namespace zip {

class Output {
public:
    Output(plat::IFile& file, uint64_t start, const std::string& path);

    uint64_t Position() const { return flushed_ + used_; }
    void Append(const uint8_t* data, size_t size);
    void Append(const Bytes& data) { Append(data.data(), data.size()); }
    // Free space at the end of the buffer, at least minFree bytes, to be filled and then committed.
    uint8_t* Tail(size_t minFree, size_t& available);
    void Commit(size_t size) { used_ += size; }
    // Overwrites bytes already written (a header whose sizes are known only after its data).
    void Overwrite(uint64_t offset, const Bytes& data);
    // Forgets everything from offset on, so the next bytes go there. The file is cut there too.
    void Rewind(uint64_t offset);
    void Flush();
    // Cuts the file after the last byte written.
    void Finish();

private:
    [[noreturn]] void Fail() const;

    plat::IFile& file_;
    const std::string& path_;
    Bytes buffer_;
    size_t used_ = 0;
    uint64_t flushed_ = 0;
};

} // namespace zip
