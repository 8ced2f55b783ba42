#include "zip/ZipWriter.h"

#include "zip/ZipDeflate.h"
#include "zip/ZipError.h"

#include <algorithm>
#include <cstring>

using namespace zip;

namespace {

constexpr size_t kMinChunk = 1 << 20;

std::string SystemText() {
    return plat::Host().SysErrorMessage(plat::LastError());
}

bool NeedsLocalZip64(uint64_t size, TZipMethod method) {
    return (method == TZipMethod::zmStored ? size : DeflateBound(size)) >= kMax32;
}

bool EndsWithSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

} // namespace

TZipWriter::TZipWriter(const std::string& path, TZipOpenMode mode) : path_(path) {
    if (mode == TZipOpenMode::zoCreateOrAppend)
        mode = plat::Files().FileExists(path) ? TZipOpenMode::zoAppend : TZipOpenMode::zoCreate;
    appending_ = mode == TZipOpenMode::zoAppend;
    file_ =
        plat::Files().Open(path, appending_ ? plat::OpenMode::OpenExisting : plat::OpenMode::CreateAlways);
    if (!file_)
        throw EZipError((appending_ ? "Cannot open archive \"" : "Cannot create archive \"") + path + "\". " +
                        SystemText());
    if (appending_) {
        old_ = ReadDirectory(*file_, path_);
        originalSize_ = file_->Size();
    }
    end_ = originalSize_;
    out_ = std::make_unique<Output>(*file_, end_, path_);
}

TZipWriter::~TZipWriter() {
    try {
        Close();
    } catch (...) {
        // Close already left the file in the best state it could; a destructor must not throw.
    }
}

void TZipWriter::CheckOpen() const {
    if (!file_)
        throw EZipError("Archive \"" + path_ + "\" is already closed");
}

Entry TZipWriter::NewEntry(const std::string& name, TZipMethod method, const plat::FileTime& modified) const {
    if (name.empty() || name.size() > kMax16)
        throw EZipError("Invalid entry name \"" + name + "\"");
    Entry e;
    e.Name = name;
    e.Method = static_cast<uint16_t>(method);
    // Names are always UTF-8, so every entry says so: a reader left to guess would take an unflagged
    // name for its own code page.
    e.Flags = kFlagUtf8Name;
    e.Modified = ToDosDateTime(modified);
    return e;
}

void TZipWriter::AddFile(const std::string& fileName, const std::string& entryName, TZipMethod method,
                         const TZipProgress& progress) {
    CheckOpen();
    plat::FindEntry info;
    std::unique_ptr<plat::IFile> in;
    if (plat::Files().GetAttributes(fileName, info) && !(info.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_))
        in = plat::Files().Open(fileName, plat::OpenMode::ReadDenyWrite);
    if (!in)
        throw EZipError("Cannot open file \"" + fileName + "\". " + SystemText());
    Entry e = NewEntry(entryName, method, info.Modified);
    e.ExternalAttributes = (info.Attributes & 0x07) | kDosAttributeArchive;
    e.LocalZip64 = NeedsLocalZip64(info.Size, method);
    WriteEntry(
        e,
        [&](uint8_t* buffer, size_t capacity) {
            size_t got = 0;
            if (!in->Read(buffer, capacity, got))
                throw EZipError("Error reading file \"" + fileName + "\". " + SystemText());
            return got;
        },
        progress);
}

void TZipWriter::AddBuffer(const std::string& entryName, const void* data, size_t size, TZipMethod method,
                           const plat::FileTime& modified) {
    CheckOpen();
    Entry e = NewEntry(entryName, method, modified);
    e.LocalZip64 = NeedsLocalZip64(size, method);
    const uint8_t* next = static_cast<const uint8_t*>(data);
    size_t left = size;
    WriteEntry(e, [&](uint8_t* buffer, size_t capacity) {
        const size_t n = std::min(capacity, left);
        if (n > 0)
            std::memcpy(buffer, next, n);
        next += n;
        left -= n;
        return n;
    });
}

void TZipWriter::AddFolder(const std::string& entryName, const plat::FileTime& modified) {
    CheckOpen();
    Entry e =
        NewEntry(EndsWithSeparator(entryName) ? entryName : entryName + "\\", TZipMethod::zmStored, modified);
    e.ExternalAttributes = kDosAttributeDirectory;
    WriteEntry(e, [](uint8_t*, size_t) { return size_t{0}; });
}

void TZipWriter::WriteEntry(Entry& e, const Source& read, const TZipProgress& progress) {
    // Whatever a failed entry left behind is dropped here: the next entry, or the directory, starts
    // where it started.
    out_->Rewind(end_);
    e.Offset = end_;
    Bytes header;
    AppendLocalHeader(header, e);
    out_->Append(header);
    if (e.Method == kMethodStored)
        CopyStored(e, read, progress);
    else
        CopyDeflated(e, read, progress);
    if (!e.LocalZip64 && (e.Size >= kMax32 || e.CompressedSize >= kMax32))
        throw EZipError("\"" + e.Name + "\" grew past 4 GiB while it was being archived");
    header.clear();
    AppendLocalHeader(header, e);
    out_->Overwrite(e.Offset, header);
    end_ = out_->Position();
    entries_.push_back(std::move(e));
}

void TZipWriter::CopyStored(Entry& e, const Source& read, const TZipProgress& progress) {
    uint32_t crc = 0;
    for (;;) {
        size_t available = 0;
        uint8_t* tail = out_->Tail(kMinChunk, available);
        const size_t got = read(tail, available);
        if (got == 0)
            break;
        crc = Crc32(crc, tail, got);
        out_->Commit(got);
        e.Size += got;
        if (progress)
            progress(e.Size);
    }
    e.Crc = crc;
    e.CompressedSize = e.Size;
}

void TZipWriter::CopyDeflated(Entry& e, const Source& read, const TZipProgress& progress) {
    if (!deflater_)
        deflater_ = std::make_unique<ParallelDeflater>();
    const DeflateResult result = deflater_->Compress(read, *out_, progress);
    e.Size = result.Size;
    e.CompressedSize = result.CompressedSize;
    e.Crc = result.Crc;
}

void TZipWriter::Close() {
    if (!file_)
        return;
    try {
        WriteDirectory();
    } catch (...) {
        Abandon();
        throw;
    }
    out_.reset();
    file_.reset();
}

void TZipWriter::WriteDirectory() {
    out_->Rewind(end_);
    const uint64_t start = out_->Position();
    out_->Append(old_.Records);
    Bytes record;
    for (const Entry& e : entries_) {
        record.clear();
        AppendCentralHeader(record, e);
        out_->Append(record);
    }
    const DirectoryEnd end{EntryCount(), out_->Position() - start, start};
    record.clear();
    AppendDirectoryEnd(record, end, out_->Position());
    out_->Append(record);
    out_->Finish();
}

void TZipWriter::Abandon() noexcept {
    // The old end records of an extended archive are still intact behind its old content, so cutting
    // the file back gives the archive exactly as it was before.
    if (appending_ && file_->Seek(originalSize_))
        file_->Truncate();
    out_.reset();
    file_.reset();
}
