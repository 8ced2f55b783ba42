#include "zip/ZipRecords.h"

#include <algorithm>

namespace zip {
namespace {

constexpr uint16_t kVersionDefault = 20;
constexpr uint16_t kVersionZip64 = 45;
// Made by MS-DOS/FAT rules (host 0), so readers take the attributes as DOS attributes.
constexpr uint16_t kVersionMadeBy = 63;
constexpr uint16_t kZip64ExtraId = 0x0001;

void Put16(Bytes& out, uint64_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& out, uint64_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, (v >> 16) & 0xFFFF);
}

void Put64(Bytes& out, uint64_t v) {
    Put32(out, v & kMax32);
    Put32(out, v >> 32);
}

void PutText(Bytes& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}

uint64_t Clamp32(uint64_t v) {
    return std::min(v, kMax32);
}

// The central record moves a value into the ZIP64 extra field when it does not fit, and also keeps
// the sizes there whenever the local header carries them, so both headers agree.
struct CentralZip64 {
    bool Size;
    bool CompressedSize;
    bool Offset;
    bool Any() const { return Size || CompressedSize || Offset; }
};

CentralZip64 CentralZip64Of(const Entry& e) {
    const bool sizes = e.LocalZip64 || e.Size >= kMax32 || e.CompressedSize >= kMax32;
    return {sizes, sizes, e.Offset >= kMax32};
}

} // namespace

DosDateTime ToDosDateTime(const plat::FileTime& t) {
    if (t.Year < 1980)
        return {};
    if (t.Year > 2107)
        return {static_cast<uint16_t>((23 << 11) | (59 << 5) | 29),
                static_cast<uint16_t>((127 << 9) | (12 << 5) | 31)};
    DosDateTime d;
    d.Time = static_cast<uint16_t>((t.Hour << 11) | (t.Minute << 5) | (t.Second / 2));
    d.Date = static_cast<uint16_t>(((t.Year - 1980) << 9) | (t.Month << 5) | t.Day);
    return d;
}

void AppendLocalHeader(Bytes& out, const Entry& e) {
    Put32(out, kLocalHeaderSignature);
    Put16(out, e.LocalZip64 ? kVersionZip64 : kVersionDefault);
    Put16(out, e.Flags);
    Put16(out, e.Method);
    Put16(out, e.Modified.Time);
    Put16(out, e.Modified.Date);
    Put32(out, e.Crc);
    Put32(out, e.LocalZip64 ? kMax32 : e.CompressedSize);
    Put32(out, e.LocalZip64 ? kMax32 : e.Size);
    Put16(out, e.Name.size());
    Put16(out, e.LocalZip64 ? 20 : 0);
    PutText(out, e.Name);
    if (e.LocalZip64) {
        Put16(out, kZip64ExtraId);
        Put16(out, 16);
        Put64(out, e.Size);
        Put64(out, e.CompressedSize);
    }
}

void AppendCentralHeader(Bytes& out, const Entry& e) {
    const CentralZip64 z = CentralZip64Of(e);
    const uint16_t extraSize = (z.Size ? 8 : 0) + (z.CompressedSize ? 8 : 0) + (z.Offset ? 8 : 0);
    Put32(out, kCentralHeaderSignature);
    Put16(out, kVersionMadeBy);
    Put16(out, z.Any() ? kVersionZip64 : kVersionDefault);
    Put16(out, e.Flags);
    Put16(out, e.Method);
    Put16(out, e.Modified.Time);
    Put16(out, e.Modified.Date);
    Put32(out, e.Crc);
    Put32(out, z.CompressedSize ? kMax32 : e.CompressedSize);
    Put32(out, z.Size ? kMax32 : e.Size);
    Put16(out, e.Name.size());
    Put16(out, z.Any() ? extraSize + 4 : 0);
    Put16(out, 0); // comment
    Put16(out, 0); // disk
    Put16(out, 0); // internal attributes
    Put32(out, e.ExternalAttributes);
    Put32(out, z.Offset ? kMax32 : e.Offset);
    PutText(out, e.Name);
    if (!z.Any())
        return;
    Put16(out, kZip64ExtraId);
    Put16(out, extraSize);
    if (z.Size)
        Put64(out, e.Size);
    if (z.CompressedSize)
        Put64(out, e.CompressedSize);
    if (z.Offset)
        Put64(out, e.Offset);
}

bool NeedsZip64End(const DirectoryEnd& end) {
    return end.Entries >= kMax16 || end.Size >= kMax32 || end.Offset >= kMax32;
}

void AppendDirectoryEnd(Bytes& out, const DirectoryEnd& end, uint64_t recordOffset) {
    if (NeedsZip64End(end)) {
        Put32(out, kZip64EndSignature);
        Put64(out, kZip64EndSize - 12);
        Put16(out, kVersionMadeBy);
        Put16(out, kVersionZip64);
        Put32(out, 0); // this disk
        Put32(out, 0); // disk of the directory
        Put64(out, end.Entries);
        Put64(out, end.Entries);
        Put64(out, end.Size);
        Put64(out, end.Offset);
        Put32(out, kZip64LocatorSignature);
        Put32(out, 0);
        Put64(out, recordOffset);
        Put32(out, 1); // disks in all
    }
    const uint64_t entries = std::min(end.Entries, kMax16);
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, entries);
    Put16(out, entries);
    Put32(out, Clamp32(end.Size));
    Put32(out, Clamp32(end.Offset));
    Put16(out, 0); // comment
}

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t ReadU32(const uint8_t* p) {
    return ReadU16(p) | (static_cast<uint32_t>(ReadU16(p + 2)) << 16);
}
uint64_t ReadU64(const uint8_t* p) {
    return ReadU32(p) | (static_cast<uint64_t>(ReadU32(p + 4)) << 32);
}

} // namespace zip
