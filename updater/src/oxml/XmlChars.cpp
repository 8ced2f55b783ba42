#include "oxml/XmlChars.h"

#include <cstdio>

namespace oxml::detail {

int Utf8SequenceLength(const char* p, const char* e, uint32_t& codePoint) {
    const auto* s = reinterpret_cast<const uint8_t*>(p);
    uint8_t b = s[0];
    int length;
    uint32_t min;
    if (b < 0x80) {
        codePoint = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        min = 0x80;
        codePoint = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        min = 0x800;
        codePoint = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        min = 0x10000;
        codePoint = b & 0x07;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (p + i >= e)
            return -1;
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (s[i] & 0x3F);
        // Reject overlong forms, surrogates and values past U+10FFFF as soon as the prefix shows them.
        if (i == 1 &&
            ((length == 3 && b == 0xE0 && s[1] < 0xA0) || (length == 3 && b == 0xED && s[1] >= 0xA0) ||
             (length == 4 && b == 0xF0 && s[1] < 0x90) || (length == 4 && b == 0xF4 && s[1] >= 0x90)))
            return 0;
    }
    return codePoint >= min ? length : 0;
}

std::string ShowByte(uint8_t byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(byte));
    return hex;
}

std::string ShowChar(uint32_t codePoint) {
    if (codePoint < 0x20 || codePoint == 0x7F || codePoint == 0xFFFE || codePoint == 0xFFFF ||
        (codePoint >= 0x80 && codePoint < 0xA0) || (codePoint >= 0xD800 && codePoint <= 0xDFFF) ||
        codePoint > 0x10FFFF) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(codePoint));
        return hex;
    }
    std::string out;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return out;
}

} // namespace oxml::detail
