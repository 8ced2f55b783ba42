#include "platform/PeResources.h"

#include <algorithm>
#include <vector>

namespace plat::pe {

namespace {

struct Section {
    uint32_t VirtualAddress, VirtualSize, RawSize, RawOffset;
};

class Image {
public:
    explicit Image(std::string_view bytes) : b_(bytes) {}

    // Reads the headers and locates the resource directory.
    Lookup Open() {
        if (!Fits(b_, 0, 64) || U16(b_, 0) != 0x5A4D)
            return Lookup::BadFormat; // "MZ"
        const uint32_t pe = U32(b_, 0x3C);
        if (!Fits(b_, pe, 24) || U32(b_, pe) != 0x00004550)
            return Lookup::BadFormat; // "PE\0\0"
        const uint16_t sectionCount = U16(b_, pe + 6);
        const uint16_t optionalSize = U16(b_, pe + 20);
        const uint64_t opt = pe + 24;
        const uint16_t magic = U16(b_, opt);
        if (magic != 0x10B && magic != 0x20B)
            return Lookup::BadFormat;
        if (!Fits(b_, opt, optionalSize))
            return Lookup::BadFormat;
        const uint64_t sectionTable = opt + optionalSize;
        for (uint16_t i = 0; i < sectionCount; ++i) {
            const uint64_t s = sectionTable + 40ull * i;
            if (!Fits(b_, s, 40))
                return Lookup::BadFormat;
            sections_.push_back({U32(b_, s + 12), U32(b_, s + 8), U32(b_, s + 16), U32(b_, s + 20)});
        }
        // The third data directory is the resource table.
        const uint64_t dirCountAt = opt + (magic == 0x10B ? 92 : 108);
        const uint64_t dirs = dirCountAt + 4;
        if (U32(b_, dirCountAt) <= 2 || dirs + 24 > opt + optionalSize)
            return Lookup::NoResources;
        const uint32_t resourceRva = U32(b_, dirs + 16);
        if (resourceRva == 0 || !ToOffset(resourceRva, resourceBase_))
            return Lookup::NoResources;
        return Lookup::Found;
    }

    Lookup Find(uint32_t type, std::string_view& data) const {
        uint32_t entry;
        if (!FindEntry(0, type, true, entry) || !(entry & 0x80000000))
            return Lookup::NotFound;
        if (!FindEntry(entry & 0x7FFFFFFF, 0, false, entry) || !(entry & 0x80000000))
            return Lookup::NotFound;
        if (!FindEntry(entry & 0x7FFFFFFF, 0, false, entry) || (entry & 0x80000000))
            return Lookup::NotFound;
        const uint64_t dataEntry = resourceBase_ + entry;
        if (!Fits(b_, dataEntry, 16))
            return Lookup::NotFound;
        const uint32_t size = U32(b_, dataEntry + 4);
        uint64_t at = 0;
        if (!ToOffset(U32(b_, dataEntry), at) || !Fits(b_, at, size))
            return Lookup::NotFound;
        data = b_.substr(at, size);
        return Lookup::Found;
    }

private:
    bool ToOffset(uint32_t rva, uint64_t& offset) const {
        for (const Section& s : sections_) {
            const uint32_t extent = std::max(s.VirtualSize, s.RawSize);
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < extent) {
                offset = static_cast<uint64_t>(s.RawOffset) + (rva - s.VirtualAddress);
                return Fits(b_, offset, 1);
            }
        }
        return false;
    }

    // An entry of the resource directory at dirOffset (relative to the resource section): the one
    // with the given id, or the first when byId is false. entry receives its OffsetToData.
    bool FindEntry(uint32_t dirOffset, uint32_t id, bool byId, uint32_t& entry) const {
        const uint64_t dir = resourceBase_ + dirOffset;
        if (!Fits(b_, dir, 16))
            return false;
        const uint32_t count = U16(b_, dir + 12) + static_cast<uint32_t>(U16(b_, dir + 14));
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t e = dir + 16 + 8ull * i;
            if (!Fits(b_, e, 8))
                return false;
            const uint32_t name = U32(b_, e);
            if (!byId || (!(name & 0x80000000) && name == id)) {
                entry = U32(b_, e + 4);
                return true;
            }
        }
        return false;
    }

    std::string_view b_;
    std::vector<Section> sections_;
    uint64_t resourceBase_ = 0;
};

} // namespace

Lookup FindResource(std::string_view image, uint32_t type, std::string_view& data) {
    Image pe(image);
    const Lookup opened = pe.Open();
    return opened == Lookup::Found ? pe.Find(type, data) : opened;
}

} // namespace plat::pe
