#pragma once
// Builds small PE32 executables with a version resource, as a compiler's resource tools lay them out.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

inline std::string U16(uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string U32(uint32_t v) {
    return U16(v & 0xFFFF) + U16(v >> 16);
}
inline std::string Wide(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += U16(static_cast<unsigned char>(c));
    }
    return out + U16(0);
}
inline void Pad4(std::string& s) {
    s.resize((s.size() + 3) & ~size_t(3), '\0');
}

// One node of the version tree: header, key, value and children, each on a four-byte boundary.
inline std::string VersionBlock(const std::string& key, const std::string& value, bool text,
                                const std::vector<std::string>& children = {}) {
    std::string body = Wide(key);
    std::string block =
        U16(0) + U16(text ? static_cast<uint32_t>(value.size() / 2) : static_cast<uint32_t>(value.size())) +
        U16(text ? 1 : 0) + body;
    Pad4(block);
    block += value;
    for (const std::string& child : children) {
        Pad4(block);
        block += child;
    }
    block.replace(0, 2, U16(static_cast<uint32_t>(block.size())));
    return block;
}

inline std::string VersionInfo(const std::string& fileVersion, const std::string& tableKey = "040904b0",
                               uint32_t language = 0x0409, uint32_t codePage = 0x04b0) {
    std::string fixed = U32(0xFEEF04BD) + U32(0x10000) + U32(0x10000) + U32(0) + std::string(40, '\0');
    auto stringTable =
        VersionBlock(tableKey, "", true, {VersionBlock("FileVersion", Wide(fileVersion), true)});
    auto strings = VersionBlock("StringFileInfo", "", true, {stringTable});
    auto vars = VersionBlock("VarFileInfo", "", true,
                             {VersionBlock("Translation", U16(language) + U16(codePage), false)});
    return VersionBlock("VS_VERSION_INFO", fixed, false, {strings, vars});
}

// A minimal but well-formed PE32 executable whose only section holds the resources.
inline std::string PeImage(const std::string& versionInfo) {
    const uint32_t rsrcRva = 0x1000, rawPointer = 0x200;
    std::string rsrc;
    rsrc += U32(0) + U32(0) + U32(0) + U16(0) + U16(1) + U32(16) + U32(0x80000000u | 0x18); // types
    rsrc += U32(0) + U32(0) + U32(0) + U16(0) + U16(1) + U32(1) + U32(0x80000000u | 0x30);  // names
    rsrc += U32(0) + U32(0) + U32(0) + U16(0) + U16(1) + U32(0x409) + U32(0x48);            // languages
    rsrc += U32(rsrcRva + 0x58) + U32(static_cast<uint32_t>(versionInfo.size())) + U32(0) + U32(0);
    rsrc.resize(0x58, '\0');
    rsrc += versionInfo;

    std::string image(0x40, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image.replace(0x3C, 4, U32(0x40));
    image +=
        std::string("PE\0\0", 4) + U16(0x14C) + U16(1) + U32(0) + U32(0) + U32(0) + U16(224) + U16(0x0102);
    std::string optional(224, '\0');
    optional.replace(0, 2, U16(0x10B));
    optional.replace(92, 4, U32(16));
    optional.replace(96 + 2 * 8, 8, U32(rsrcRva) + U32(static_cast<uint32_t>(rsrc.size())));
    image += optional;
    std::string section = std::string(".rsrc\0\0\0", 8) + U32(static_cast<uint32_t>(rsrc.size())) +
                          U32(rsrcRva) + U32(static_cast<uint32_t>(rsrc.size())) + U32(rawPointer) +
                          std::string(16, '\0');
    image += section;
    image.resize(rawPointer, '\0');
    return image + rsrc;
}

} // namespace testing_support
