#include "zip/ZipDirectory.h"

#include "zip/ZipError.h"

#include <algorithm>

namespace zip {
namespace {

constexpr size_t kMaxComment = 0xFFFF;

struct DirectoryLocation {
    uint64_t Entries = 0;
    uint64_t Size = 0;
    uint64_t Offset = 0;
    uint64_t EndRecords = 0; // where the end records begin; the directory must lie before them
};

class DirectoryReader {
public:
    DirectoryReader(plat::IFile& file, const std::string& path) : file_(file), path_(path) {}

    ExistingDirectory Read() {
        const DirectoryLocation loc = Locate();
        ExistingDirectory dir;
        dir.Entries = loc.Entries;
        dir.Records = ReadAt(loc.Offset, loc.Size);
        CheckRecords(dir);
        return dir;
    }

private:
    [[noreturn]] void Invalid() const {
        throw EZipError("\"" + path_ + "\" is not a valid ZIP archive that can be extended");
    }

    Bytes ReadAt(uint64_t offset, uint64_t size) {
        if (size > file_.Size() || offset > file_.Size() - size)
            Invalid();
        Bytes data(static_cast<size_t>(size));
        size_t done = 0;
        if (!file_.Seek(offset))
            Invalid();
        while (done < data.size()) {
            size_t got = 0;
            if (!file_.Read(data.data() + done, data.size() - done, got) || got == 0)
                Invalid();
            done += got;
        }
        return data;
    }

    DirectoryLocation Locate() {
        const uint64_t fileSize = file_.Size();
        if (fileSize < kEndSize)
            Invalid();
        const uint64_t tailSize = std::min<uint64_t>(fileSize, kEndSize + kMaxComment);
        const uint64_t tailStart = fileSize - tailSize;
        const Bytes tail = ReadAt(tailStart, tailSize);
        for (size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
            const uint8_t* p = tail.data() + i;
            if (ReadU32(p) == kEndSignature && i + kEndSize + ReadU16(p + 20) == tail.size())
                return FromEnd(p, tailStart + i);
        }
        Invalid();
    }

    DirectoryLocation FromEnd(const uint8_t* p, uint64_t endPos) {
        if (ReadU16(p + 4) != 0 || ReadU16(p + 6) != 0 || ReadU16(p + 8) != ReadU16(p + 10))
            Invalid();
        DirectoryLocation loc{ReadU16(p + 10), ReadU32(p + 12), ReadU32(p + 16), endPos};
        if (endPos >= kZip64LocatorSize) {
            const Bytes locator = ReadAt(endPos - kZip64LocatorSize, kZip64LocatorSize);
            if (ReadU32(locator.data()) == kZip64LocatorSignature)
                loc = FromZip64End(ReadU64(locator.data() + 8));
        }
        if (loc.Size > loc.EndRecords || loc.Offset > loc.EndRecords - loc.Size)
            Invalid();
        return loc;
    }

    DirectoryLocation FromZip64End(uint64_t recordPos) {
        const Bytes r = ReadAt(recordPos, kZip64EndSize);
        if (ReadU32(r.data()) != kZip64EndSignature || ReadU32(r.data() + 16) != 0 ||
            ReadU32(r.data() + 20) != 0 || ReadU64(r.data() + 24) != ReadU64(r.data() + 32))
            Invalid();
        return {ReadU64(r.data() + 32), ReadU64(r.data() + 40), ReadU64(r.data() + 48), recordPos};
    }

    void CheckRecords(const ExistingDirectory& dir) const {
        const Bytes& r = dir.Records;
        size_t pos = 0;
        for (uint64_t n = 0; n < dir.Entries; ++n) {
            if (r.size() - pos < kCentralHeaderSize || ReadU32(r.data() + pos) != kCentralHeaderSignature)
                Invalid();
            const uint8_t* h = r.data() + pos;
            const size_t variable = size_t{ReadU16(h + 28)} + ReadU16(h + 30) + ReadU16(h + 32);
            if (r.size() - pos - kCentralHeaderSize < variable)
                Invalid();
            pos += kCentralHeaderSize + variable;
        }
        if (pos != r.size())
            Invalid();
    }

    plat::IFile& file_;
    const std::string& path_;
};

} // namespace

ExistingDirectory ReadDirectory(plat::IFile& file, const std::string& path) {
    return DirectoryReader(file, path).Read();
}

} // namespace zip
