#pragma once
// The resources of a Windows program image (PE, 32 or 64 bit) held in memory. Every read is
// bounds-checked: a damaged or cut image is answered with "not found", never with a read outside it.
#include <cstdint>
#include <string_view>

namespace plat::pe {

constexpr uint32_t kResourceTypeVersion = 16;

enum class Lookup {
    Found,
    BadFormat,   // not a PE image, or one whose headers do not fit in it
    NoResources, // an image without a resource section
    NotFound,    // resources, but none of the type asked for
};

// The bytes of the first resource of a type (its first name in its first language).
Lookup FindResource(std::string_view image, uint32_t type, std::string_view& data);

// Little-endian values inside bytes; 0 where they would reach past the end.
inline bool Fits(std::string_view bytes, uint64_t at, uint64_t n) {
    return at <= bytes.size() && n <= bytes.size() - at;
}
inline uint16_t U16(std::string_view bytes, uint64_t at) {
    if (!Fits(bytes, at, 2))
        return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}
inline uint32_t U32(std::string_view bytes, uint64_t at) {
    if (!Fits(bytes, at, 4))
        return 0;
    return U16(bytes, at) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

} // namespace plat::pe
