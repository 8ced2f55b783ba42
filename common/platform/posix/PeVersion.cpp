#include "platform/posix/Backends.h"

#include <algorithm>

namespace plat::posix {

namespace {

constexpr uint32_t kErrorBadFormat = 11;
constexpr uint32_t kErrorNoResources = 1812;
constexpr uint32_t kErrorNoVersion = 1813;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

// Bounds-checked little-endian reads over the image: a damaged file never reads outside it.
class Image {
public:
    explicit Image(const std::vector<uint8_t>& bytes) : b_(bytes) {}
    bool Has(uint64_t at, uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    uint16_t U16(uint64_t at) const {
        return Has(at, 2) ? static_cast<uint16_t>(b_[at] | b_[at + 1] << 8) : 0;
    }
    uint32_t U32(uint64_t at) const {
        return Has(at, 4) ? U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16 : 0;
    }

private:
    const std::vector<uint8_t>& b_;
};

struct Section {
    uint32_t VirtualAddress, VirtualSize, RawSize, RawOffset;
};

class PeFile {
public:
    explicit PeFile(const std::vector<uint8_t>& bytes) : img_(bytes) {}

    // Locates the resource directory; code tells why it failed.
    bool Open(uint32_t& code) {
        code = kErrorBadFormat;
        if (!img_.Has(0, 64) || img_.U16(0) != 0x5A4D)
            return false; // "MZ"
        const uint32_t pe = img_.U32(0x3C);
        if (!img_.Has(pe, 24) || img_.U32(pe) != 0x00004550)
            return false; // "PE\0\0"
        const uint16_t sectionCount = img_.U16(pe + 6);
        const uint16_t optionalSize = img_.U16(pe + 20);
        const uint64_t opt = pe + 24;
        const uint16_t magic = img_.U16(opt);
        if (magic != 0x10B && magic != 0x20B)
            return false;
        const uint64_t dirCountAt = opt + (magic == 0x10B ? 92 : 108);
        const uint64_t dirs = dirCountAt + 4;
        if (!img_.Has(opt, optionalSize))
            return false;
        const uint64_t sectionTable = opt + optionalSize;
        for (uint16_t i = 0; i < sectionCount; ++i) {
            const uint64_t s = sectionTable + 40ull * i;
            if (!img_.Has(s, 40))
                return false;
            sections_.push_back({img_.U32(s + 12), img_.U32(s + 8), img_.U32(s + 16), img_.U32(s + 20)});
        }
        code = kErrorNoResources;
        if (img_.U32(dirCountAt) <= 2 || dirs + 24 > opt + optionalSize)
            return false;
        resourceRva_ = img_.U32(dirs + 16);
        return resourceRva_ != 0 && ToOffset(resourceRva_, resourceBase_);
    }

    // The version resource's bytes: type 16, then the first name and the first language.
    bool FindVersion(uint64_t& at, uint32_t& size) const {
        uint32_t entry;
        if (!FindEntry(0, kRtVersion, true, entry) || !(entry & 0x80000000))
            return false;
        if (!FindEntry(entry & 0x7FFFFFFF, 0, false, entry) || !(entry & 0x80000000))
            return false;
        if (!FindEntry(entry & 0x7FFFFFFF, 0, false, entry) || (entry & 0x80000000))
            return false;
        const uint64_t dataEntry = resourceBase_ + entry;
        if (!img_.Has(dataEntry, 16))
            return false;
        size = img_.U32(dataEntry + 4);
        return ToOffset(img_.U32(dataEntry), at) && img_.Has(at, size);
    }

    const Image& Bytes() const { return img_; }

private:
    bool ToOffset(uint32_t rva, uint64_t& offset) const {
        for (const auto& s : sections_) {
            const uint32_t extent = std::max(s.VirtualSize, s.RawSize);
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < extent) {
                offset = static_cast<uint64_t>(s.RawOffset) + (rva - s.VirtualAddress);
                return img_.Has(offset, 1);
            }
        }
        return false;
    }

    // An entry of the resource directory at dirOffset (relative to the resource section): the one
    // with the given id, or the first when byId is false. entry receives its OffsetToData.
    bool FindEntry(uint32_t dirOffset, uint32_t id, bool byId, uint32_t& entry) const {
        const uint64_t dir = resourceBase_ + dirOffset;
        if (!img_.Has(dir, 16))
            return false;
        const uint32_t count = img_.U16(dir + 12) + static_cast<uint32_t>(img_.U16(dir + 14));
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t e = dir + 16 + 8ull * i;
            if (!img_.Has(e, 8))
                return false;
            const uint32_t name = img_.U32(e);
            if (!byId || (!(name & 0x80000000) && name == id)) {
                entry = img_.U32(e + 4);
                return true;
            }
        }
        return false;
    }

    Image img_;
    std::vector<Section> sections_;
    uint32_t resourceRva_ = 0;
    uint64_t resourceBase_ = 0;
};

} // namespace

bool ReadPeFileVersion(const std::vector<uint8_t>& image, uint32_t& ms, uint32_t& ls, uint32_t& code) {
    PeFile pe(image);
    if (!pe.Open(code))
        return false;
    uint64_t at = 0;
    uint32_t size = 0;
    code = kErrorNoVersion;
    if (!pe.FindVersion(at, size))
        return false;
    // VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" in UTF-16 with its NUL, padding to a
    // DWORD boundary, then VS_FIXEDFILEINFO.
    const Image& img = pe.Bytes();
    const uint64_t fixed = at + ((6 + 16 * 2 + 3) & ~3ull);
    if (size < fixed - at + 52 || img.U16(at + 2) < 52 || img.U32(fixed) != kFixedInfoSignature)
        return false;
    ms = img.U32(fixed + 8);
    ls = img.U32(fixed + 12);
    code = 0;
    return true;
}

} // namespace plat::posix
