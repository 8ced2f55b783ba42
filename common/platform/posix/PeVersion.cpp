#include "platform/PeResources.h"
#include "platform/posix/Backends.h"

namespace plat::posix {

namespace {

constexpr uint32_t kErrorBadFormat = 11;
constexpr uint32_t kErrorNoResources = 1812;
constexpr uint32_t kErrorNoVersion = 1813;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

} // namespace

bool ReadPeFileVersion(const std::vector<uint8_t>& image, uint32_t& ms, uint32_t& ls, uint32_t& code) {
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    std::string_view info;
    switch (pe::FindResource(bytes, pe::kResourceTypeVersion, info)) {
    case pe::Lookup::Found:
        break;
    case pe::Lookup::BadFormat:
        code = kErrorBadFormat;
        return false;
    case pe::Lookup::NoResources:
        code = kErrorNoResources;
        return false;
    case pe::Lookup::NotFound:
        code = kErrorNoVersion;
        return false;
    }
    // VS_VERSIONINFO: three WORDs, the key "VS_VERSION_INFO" in UTF-16 with its NUL, padding to a
    // DWORD boundary, then VS_FIXEDFILEINFO.
    code = kErrorNoVersion;
    const uint64_t fixed = (6 + 16 * 2 + 3) & ~3ull;
    if (info.size() < fixed + 52 || pe::U16(info, 2) < 52 || pe::U32(info, fixed) != kFixedInfoSignature)
        return false;
    ms = pe::U32(info, fixed + 8);
    ls = pe::U32(info, fixed + 12);
    code = 0;
    return true;
}

} // namespace plat::posix
