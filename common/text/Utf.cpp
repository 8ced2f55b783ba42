#include "text/TextCodec.h"

namespace text {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes one code point at s[i]; advances i past what was consumed. Malformed input yields U+FFFD and
// consumes only the bytes that belonged to the broken sequence, so the next valid character survives.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80)
        return lead;
    int extra;
    uint32_t cp;
    uint32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF, so a
    // bad sequence is cut right after its lead byte (the maximal-subpart rule).
    const unsigned char lo = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size())
            return kReplacement;
        const auto c = static_cast<unsigned char>(s[i]);
        if (k == 0 ? (c < lo || c > hi) : (c & 0xC0) != 0x80)
            return kReplacement;
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kReplacement;
    return cp;
}

void AppendUtf16(std::u16string& out, uint32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

} // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const size_t start = i;
        const uint32_t cp = NextCodePoint(s, i);
        // A genuine U+FFFD in the input is three bytes long; a replacement for a fault is not.
        if (cp == kReplacement && !(i - start == 3 && s.substr(start, 3) == "\xEF\xBF\xBD"))
            return false;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size())
        AppendUtf16(out, NextCodePoint(utf8, i));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const uint32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u); // a lone surrogate turns into U+FFFD there
        }
    }
    return out;
}

namespace {

// UTF-16 bytes in either byte order; an odd last byte is dropped.
std::string Utf16BytesToUtf8(const uint8_t* data, size_t size, bool bigEndian) {
    std::u16string units;
    units.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t lo = data[bigEndian ? i + 1 : i];
        const uint8_t hi = data[bigEndian ? i : i + 1];
        units.push_back(static_cast<char16_t>(lo | hi << 8));
    }
    return Utf16ToUtf8(units);
}

} // namespace

std::string Utf16LeBytesToUtf8(const uint8_t* data, size_t size) {
    return Utf16BytesToUtf8(data, size, false);
}

std::string DecodeWithByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    const bool little = bytes.starts_with("\xFF\xFE");
    if (little || bytes.starts_with("\xFE\xFF"))
        return Utf16BytesToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2,
                                !little);
    return AnsiToUtf8(bytes);
}

std::string Utf8ToUtf16LeBytes(std::string_view utf8, bool withNul) {
    std::u16string units = Utf8ToUtf16(utf8);
    if (withNul)
        units.push_back(u'\0');
    std::string out;
    out.reserve(units.size() * 2);
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

} // namespace text
