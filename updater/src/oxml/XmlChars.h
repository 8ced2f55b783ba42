#pragma once
// Byte classes of the tokenizer. The hot loops look each byte up once in a 256-entry table; anything
// that needs a closer look (markup, references, line breaks, control characters, non-ASCII) is
// flagged and handled off the fast path.
#include <cstdint>
#include <string>
#include <string_view>

namespace oxml::detail {

enum : uint8_t {
    cNameStart = 1, // may begin a name
    cName = 2,      // may continue a name
    cSpace = 4,     // blank, tab, CR, LF
    cText = 8,      // ends the plain stretch of a text run
    cAttr = 16,     // ends the plain stretch of an attribute value (quotes included)
    cControl = 32,  // forbidden in XML text: C0 controls but tab, LF and CR
    cHigh = 64,     // part of a multi-byte UTF-8 sequence
    cLine = 128,    // CR or LF
};

struct CharTable {
    uint8_t v[256];
    uint8_t nameAscii[256]; // cName without cHigh: the fast loop over plain names
    constexpr CharTable() : v(), nameAscii() {
        for (int c = 0; c < 256; ++c) {
            uint8_t f = 0;
            bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            if (letter || c == '_' || c == ':' || c >= 0x80)
                f |= cNameStart | cName;
            if ((c >= '0' && c <= '9') || c == '-' || c == '.')
                f |= cName;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                f |= cSpace;
            if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
                f |= cControl;
            if (c >= 0x80)
                f |= cHigh;
            if (c == '\r' || c == '\n')
                f |= cLine;
            if (c == '<' || c == '&' || c == '\r' || c == '\n' || c == ']' || (f & (cControl | cHigh)))
                f |= cText;
            if (c == '<' || c == '&' || c == '"' || c == '\'' || (f & (cControl | cHigh)))
                f |= cAttr;
            v[c] = f;
            nameAscii[c] = (f & cName) && !(f & cHigh);
        }
    }
};

inline constexpr CharTable kChars{};

inline bool Is(char c, uint8_t flags) {
    return (kChars.v[static_cast<uint8_t>(c)] & flags) != 0;
}
inline bool IsNameStartAscii(char c) {
    return (kChars.v[static_cast<uint8_t>(c)] & (cNameStart | cHigh)) == cNameStart;
}
inline bool IsNameAscii(char c) {
    return kChars.nameAscii[static_cast<uint8_t>(c)] != 0;
}

// Length of the valid UTF-8 sequence at p (1 to 4), 0 when the bytes there are not one, -1 when the
// sequence runs past e and may still be completed by more input.
int Utf8SequenceLength(const char* p, const char* e, uint32_t& codePoint);

// True for code points that XML 1.0 allows in a document.
inline bool IsXmlChar(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// How a character appears in a reason text: itself when printable, "0x" and four hex digits when not.
std::string ShowChar(uint32_t codePoint);
std::string ShowByte(uint8_t byte);

} // namespace oxml::detail
