#pragma once
// The byte layout of the archive's records (little-endian, as every reader expects).
#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zip {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;

constexpr uint64_t kMax32 = 0xFFFFFFFF;
constexpr uint64_t kMax16 = 0xFFFF;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
constexpr uint16_t kFlagUtf8Name = 1 << 11;
constexpr uint32_t kDosAttributeDirectory = 0x10;
constexpr uint32_t kDosAttributeArchive = 0x20;

struct DosDateTime {
    uint16_t Time = 0;
    uint16_t Date = (1 << 5) | 1; // 1980-01-01, the earliest the format can hold
};

// The format counts from 1980 in seven bits, so earlier and later times are clamped to its range.
DosDateTime ToDosDateTime(const plat::FileTime& t);

// An entry as the central directory describes it.
struct Entry {
    std::string Name;
    uint16_t Method = kMethodStored;
    uint16_t Flags = 0;
    DosDateTime Modified;
    uint32_t Crc = 0;
    uint64_t CompressedSize = 0;
    uint64_t Size = 0;
    uint64_t Offset = 0; // of the local header
    uint32_t ExternalAttributes = kDosAttributeArchive;
    // Decided before the data is written, because the local header cannot grow afterwards.
    bool LocalZip64 = false;
};

struct DirectoryEnd {
    uint64_t Entries = 0;
    uint64_t Size = 0;
    uint64_t Offset = 0;
};

void AppendLocalHeader(Bytes& out, const Entry& e);
void AppendCentralHeader(Bytes& out, const Entry& e);
// The end records; the ZIP64 end record and its locator come first when any value needs them.
// recordOffset is where these records begin in the archive.
void AppendDirectoryEnd(Bytes& out, const DirectoryEnd& end, uint64_t recordOffset);
bool NeedsZip64End(const DirectoryEnd& end);

uint16_t ReadU16(const uint8_t* p);
uint32_t ReadU32(const uint8_t* p);
uint64_t ReadU64(const uint8_t* p);

} // namespace zip
