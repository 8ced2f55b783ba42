#include "PeVersionInfo.h"

#include "text/TextCodec.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace {

constexpr uint32_t RT_VERSION = 16;

// Bounds-checked little-endian reads over the file image; any read past the end yields 0 and marks
// the reader bad, so malformed files end the search instead of reading wild memory.
class Reader {
public:
    explicit Reader(std::string_view data) : d_(data) {}
    uint32_t U16(size_t at) { return Fits(at, 2) ? Byte(at) | (Byte(at + 1) << 8) : 0; }
    uint32_t U32(size_t at) { return Fits(at, 4) ? U16(at) | (U16(at + 2) << 16) : 0; }
    bool Fits(size_t at, size_t n) {
        bool ok = at <= d_.size() && n <= d_.size() - at;
        bad_ = bad_ || !ok;
        return ok;
    }
    bool Bad() const { return bad_; }
    bool Has(size_t at, std::string_view bytes) {
        return Fits(at, bytes.size()) && d_.substr(at, bytes.size()) == bytes;
    }
    std::string_view Data() const { return d_; }

private:
    uint32_t Byte(size_t at) const { return static_cast<unsigned char>(d_[at]); }
    std::string_view d_;
    bool bad_ = false;
};

struct Section {
    uint32_t VirtualAddress, VirtualSize, RawSize, RawPointer;
};

// File offset of a relative virtual address, through the section that contains it.
std::optional<size_t> RvaToOffset(Reader& r, size_t sectionTable, uint32_t count, uint32_t rva) {
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = sectionTable + i * 40;
        Section s{r.U32(at + 12), r.U32(at + 8), r.U32(at + 16), r.U32(at + 20)};
        uint32_t extent = s.VirtualSize > s.RawSize ? s.VirtualSize : s.RawSize;
        if (rva >= s.VirtualAddress && rva - s.VirtualAddress < extent) {
            return static_cast<size_t>(s.RawPointer) + (rva - s.VirtualAddress);
        }
    }
    return std::nullopt;
}

// The offset (within the resource section) of the first entry of a resource directory, optionally
// only an entry with the given numeric id. High bit set in the result's source means subdirectory.
std::optional<uint32_t> DirectoryEntry(Reader& r, size_t rsrc, uint32_t dirOffset,
                                       std::optional<uint32_t> id) {
    size_t dir = rsrc + dirOffset;
    uint32_t named = r.U16(dir + 12);
    uint32_t ids = r.U16(dir + 14);
    for (uint32_t i = 0; i < named + ids && i < 4096 && !r.Bad(); ++i) {
        size_t entry = dir + 16 + i * 8;
        uint32_t name = r.U32(entry);
        if (!id || ((name & 0x80000000u) == 0 && name == *id)) {
            return r.U32(entry + 4);
        }
    }
    return std::nullopt;
}

// The version resource's bytes inside the image.
std::optional<std::string_view> VersionResource(Reader& r) {
    if (!r.Has(0, "MZ")) {
        return std::nullopt;
    }
    size_t pe = r.U32(0x3C);
    if (!r.Has(pe, std::string_view("PE\0\0", 4))) {
        return std::nullopt;
    }
    uint32_t sections = r.U16(pe + 6);
    size_t optional = pe + 24;
    size_t sectionTable = optional + r.U16(pe + 20);
    uint32_t magic = r.U16(optional);
    size_t dataDirs = optional + (magic == 0x20b ? 112 : 96);
    if (magic != 0x10b && magic != 0x20b) {
        return std::nullopt;
    }
    auto rsrc = RvaToOffset(r, sectionTable, sections, r.U32(dataDirs + 2 * 8));
    if (!rsrc) {
        return std::nullopt;
    }
    std::optional<uint32_t> next = DirectoryEntry(r, *rsrc, 0, RT_VERSION);
    for (int level = 0; level < 2 && next && (*next & 0x80000000u); ++level) {
        next = DirectoryEntry(r, *rsrc, *next & 0x7FFFFFFFu, std::nullopt);
    }
    if (!next || (*next & 0x80000000u)) {
        return std::nullopt;
    }
    size_t dataEntry = *rsrc + *next;
    auto data = RvaToOffset(r, sectionTable, sections, r.U32(dataEntry));
    uint32_t size = r.U32(dataEntry + 4);
    if (!data || r.Bad() || !r.Fits(*data, size)) {
        return std::nullopt;
    }
    return r.Data().substr(*data, size);
}

size_t Align4(size_t n) {
    return (n + 3) & ~size_t(3);
}

// One block of the version tree: wLength, wValueLength, wType, the key, then the value and the
// children, each aligned on four bytes.
struct Block {
    std::string Key;
    size_t Value = 0; // offset of the value
    uint32_t ValueLength = 0;
    bool Text = false;   // wType 1: the value is a string of ValueLength characters
    size_t Children = 0; // offset of the first child
    size_t End = 0;
};

std::optional<Block> ReadBlock(Reader& r, size_t at, size_t limit) {
    uint32_t length = r.U16(at);
    if (length < 6 || at + length > limit || r.Bad()) {
        return std::nullopt;
    }
    Block b;
    b.End = at + length;
    b.ValueLength = r.U16(at + 2);
    b.Text = r.U16(at + 4) == 1;
    std::u16string key;
    size_t p = at + 6;
    for (; p + 2 <= b.End && r.U16(p) != 0; p += 2) {
        key += static_cast<char16_t>(r.U16(p));
    }
    b.Key = text::Utf16ToUtf8(key);
    b.Value = Align4(p + 2);
    size_t valueBytes = b.Text ? b.ValueLength * 2 : b.ValueLength;
    b.Children = Align4(b.Value + valueBytes);
    return b;
}

template <class F> void ForEachChild(Reader& r, const Block& parent, F f) {
    for (size_t at = parent.Children; at < parent.End;) {
        auto child = ReadBlock(r, at, parent.End);
        if (!child) {
            return;
        }
        f(*child);
        at = Align4(child->End);
    }
}

bool SameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> FirstTranslation(Reader& r, const Block& root) {
    std::optional<std::string> found;
    ForEachChild(r, root, [&](const Block& b) {
        if (found || b.Key != "VarFileInfo") {
            return;
        }
        ForEachChild(r, b, [&](const Block& var) {
            if (!found && var.Key == "Translation" && var.ValueLength >= 4) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "%04x%04x", r.U16(var.Value), r.U16(var.Value + 2));
                found = buffer;
            }
        });
    });
    return found;
}

std::string TextValue(Reader& r, const Block& b) {
    std::u16string value;
    for (uint32_t i = 0; i < b.ValueLength; ++i) {
        uint32_t c = r.U16(b.Value + i * 2);
        if (c == 0 || b.Value + i * 2 + 2 > b.End) {
            break;
        }
        value += static_cast<char16_t>(c);
    }
    return text::Utf16ToUtf8(value);
}

} // namespace

std::optional<std::string> ReadPeFileVersionString(std::string_view AImage) {
    Reader r(AImage);
    auto resource = VersionResource(r);
    if (!resource) {
        return std::nullopt;
    }
    Reader v(*resource);
    auto root = ReadBlock(v, 0, resource->size());
    if (!root || root->Key != "VS_VERSION_INFO") {
        return std::nullopt;
    }
    auto translation = FirstTranslation(v, *root);
    if (!translation) {
        return std::nullopt;
    }
    std::optional<std::string> version;
    ForEachChild(v, *root, [&](const Block& info) {
        if (info.Key != "StringFileInfo") {
            return;
        }
        ForEachChild(v, info, [&](const Block& table) {
            if (!SameKey(table.Key, *translation)) {
                return;
            }
            ForEachChild(v, table, [&](const Block& s) {
                if (!version && s.Key == "FileVersion") {
                    version = TextValue(v, s);
                }
            });
        });
    });
    return version;
}
