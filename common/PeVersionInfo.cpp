#include "PeVersionInfo.h"

#include "platform/PeResources.h"
#include "text/SameText.h"
#include "text/TextCodec.h"

#include <cstdint>
#include <cstdio>

namespace {

// Bounds-checked reads over the version resource; a read past its end yields 0 and marks the reader
// bad, so a malformed tree ends the search instead of reading wild memory.
class Reader {
public:
    explicit Reader(std::string_view data) : d_(data) {}
    uint32_t U16(size_t at) { return Fits(at, 2) ? plat::pe::U16(d_, at) : 0; }
    bool Fits(size_t at, size_t n) {
        bool ok = plat::pe::Fits(d_, at, n);
        bad_ = bad_ || !ok;
        return ok;
    }
    bool Bad() const { return bad_; }

private:
    std::string_view d_;
    bool bad_ = false;
};

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

// The root block of the version resource, or nothing when the image has none.
std::optional<Block> VersionRoot(Reader& r, std::string_view resource) {
    auto root = ReadBlock(r, 0, resource.size());
    if (!root || root->Key != "VS_VERSION_INFO") {
        return std::nullopt;
    }
    return root;
}

std::string_view VersionResource(std::string_view image) {
    std::string_view resource;
    if (plat::pe::FindResource(image, plat::pe::kResourceTypeVersion, resource) != plat::pe::Lookup::Found) {
        return {};
    }
    return resource;
}

} // namespace

std::optional<std::string> ReadPeFirstTranslation(std::string_view AImage) {
    const std::string_view resource = VersionResource(AImage);
    Reader v(resource);
    auto root = VersionRoot(v, resource);
    return root ? FirstTranslation(v, *root) : std::nullopt;
}

std::optional<std::string> ReadPeVersionString(std::string_view AImage, std::string_view ATable,
                                               std::string_view AName) {
    const std::string_view resource = VersionResource(AImage);
    Reader v(resource);
    auto root = VersionRoot(v, resource);
    if (!root) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    ForEachChild(v, *root, [&](const Block& info) {
        if (info.Key != "StringFileInfo") {
            return;
        }
        ForEachChild(v, info, [&](const Block& table) {
            if (!text::SameText(table.Key, ATable)) {
                return;
            }
            ForEachChild(v, table, [&](const Block& s) {
                if (!found && s.Key == AName) {
                    found = TextValue(v, s);
                }
            });
        });
    });
    return found;
}

std::optional<std::string> ReadPeFileVersionString(std::string_view AImage) {
    const auto translation = ReadPeFirstTranslation(AImage);
    return translation ? ReadPeVersionString(AImage, *translation, "FileVersion") : std::nullopt;
}
