#include "text/SystemCodePages.h"
#include "text/TextCodec.h"

namespace text {

namespace {

constexpr uint32_t kUtf8 = 65001;
constexpr uint32_t kUtf16Le = 1200;
constexpr uint32_t kUtf16Be = 1201;
constexpr uint32_t kUtf32Le = 12000;
constexpr uint32_t kUtf32Be = 12001;

uint32_t ReadUnit(std::string_view b, size_t at, int width, bool bigEndian) {
    uint32_t v = 0;
    for (int k = 0; k < width; ++k) {
        const int shift = bigEndian ? 8 * (width - 1 - k) : 8 * k;
        v |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + k])) << shift;
    }
    return v;
}

void WriteUnit(std::string& out, uint32_t v, int width, bool bigEndian) {
    for (int k = 0; k < width; ++k) {
        const int shift = bigEndian ? 8 * (width - 1 - k) : 8 * k;
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

std::string DecodeUtf16(std::string_view b, bool bigEndian) {
    std::u16string units;
    units.reserve(b.size() / 2);
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        units.push_back(static_cast<char16_t>(ReadUnit(b, i, 2, bigEndian)));
    std::string out = Utf16ToUtf8(units);
    if (b.size() % 2)
        AppendUtf8(out, 0xFFFD); // a dangling half unit
    return out;
}

std::string DecodeUtf32(std::string_view b, bool bigEndian) {
    std::string out;
    for (size_t i = 0; i + 3 < b.size(); i += 4)
        AppendUtf8(out, ReadUnit(b, i, 4, bigEndian));
    if (b.size() % 4)
        AppendUtf8(out, 0xFFFD);
    return out;
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    for (char16_t u : Utf8ToUtf16(utf8))
        WriteUnit(out, u, 2, bigEndian);
    return out;
}

std::string EncodeUtf32(std::string_view utf8, bool bigEndian) {
    std::string out;
    const std::u16string units = Utf8ToUtf16(utf8);
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        WriteUnit(out, cp, 4, bigEndian);
    }
    return out;
}

// Replaces every malformed sequence with U+FFFD, so converters only ever see well-formed UTF-8.
std::string Sanitize(std::string_view utf8) {
    return IsValidUtf8(utf8) ? std::string(utf8) : Utf16ToUtf8(Utf8ToUtf16(utf8));
}

} // namespace

uint32_t AnsiCodePage() {
    return detail::SystemAnsiCodePage();
}
uint32_t OemCodePage() {
    return detail::SystemOemCodePage();
}

bool DecodeCodePage(uint32_t codePage, std::string_view bytes, std::string& out) {
    out.clear();
    switch (codePage) {
    case kUtf8:
        out = Sanitize(bytes);
        return true;
    case kUtf16Le:
        out = DecodeUtf16(bytes, false);
        return true;
    case kUtf16Be:
        out = DecodeUtf16(bytes, true);
        return true;
    case kUtf32Le:
        out = DecodeUtf32(bytes, false);
        return true;
    case kUtf32Be:
        out = DecodeUtf32(bytes, true);
        return true;
    default:
        return detail::SystemDecode(codePage, bytes, out);
    }
}

bool EncodeCodePage(uint32_t codePage, std::string_view utf8, std::string& out) {
    out.clear();
    const std::string clean = Sanitize(utf8);
    switch (codePage) {
    case kUtf8:
        out = clean;
        return true;
    case kUtf16Le:
        out = EncodeUtf16(clean, false);
        return true;
    case kUtf16Be:
        out = EncodeUtf16(clean, true);
        return true;
    case kUtf32Le:
        out = EncodeUtf32(clean, false);
        return true;
    case kUtf32Be:
        out = EncodeUtf32(clean, true);
        return true;
    default:
        return detail::SystemEncode(codePage, clean, out);
    }
}

#ifdef _WIN32
std::wstring ToWide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    return std::wstring(units.begin(), units.end());
}

std::string FromWide(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
#endif

} // namespace text
