#include "zip/ZipOutput.h"

#include "zip/ZipError.h"

#include <cstring>

namespace zip {
namespace {
constexpr size_t kBufferSize = 4 << 20;
} // namespace

Output::Output(plat::IFile& file, uint64_t start, const std::string& path)
    : file_(file), path_(path), buffer_(kBufferSize), flushed_(start) {
    if (!file_.Seek(start))
        Fail();
}

void Output::Fail() const {
    const uint32_t code = plat::LastError();
    throw EZipError("Error writing archive \"" + path_ + "\". " + plat::Host().SysErrorMessage(code));
}

void Output::Append(const uint8_t* data, size_t size) {
    while (size > 0) {
        size_t available = 0;
        uint8_t* tail = Tail(1, available);
        const size_t n = std::min(available, size);
        std::memcpy(tail, data, n);
        Commit(n);
        data += n;
        size -= n;
    }
}

uint8_t* Output::Tail(size_t minFree, size_t& available) {
    if (buffer_.size() - used_ < minFree)
        Flush();
    available = buffer_.size() - used_;
    return buffer_.data() + used_;
}

void Output::Overwrite(uint64_t offset, const Bytes& data) {
    if (offset >= flushed_) {
        std::memcpy(buffer_.data() + (offset - flushed_), data.data(), data.size());
        return;
    }
    Flush();
    if (!file_.Seek(offset) || !file_.Write(data.data(), data.size()) || !file_.Seek(flushed_))
        Fail();
}

void Output::Rewind(uint64_t offset) {
    if (offset >= flushed_) {
        used_ = static_cast<size_t>(offset - flushed_);
        return;
    }
    used_ = 0;
    flushed_ = offset;
    if (!file_.Seek(offset))
        Fail();
    // A stale tail would only cost space: the directory written later no longer points into it.
    file_.Truncate();
}

void Output::Flush() {
    if (used_ == 0)
        return;
    if (!file_.Write(buffer_.data(), used_)) {
        // The bytes stay buffered, so a rewind keeps the complete entries among them. Where a partial
        // write left the file position is unknown; the next write must start where this one did.
        file_.Seek(flushed_);
        Fail();
    }
    flushed_ += used_;
    used_ = 0;
}

void Output::Finish() {
    Flush();
    if (!file_.Truncate())
        Fail();
}

} // namespace zip
