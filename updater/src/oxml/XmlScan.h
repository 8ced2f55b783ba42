#pragma once
// Finding the next byte that needs a closer look in a text run or an attribute value, sixteen bytes
// at a time where SSE2 is available and eight bytes at a time (a word of bit tricks) everywhere else.
// Nearly all of a dump's bytes are plain: the runs between the bytes found are then copied or handed
// out as they stand.
//
// Both scanners may read up to fifteen bytes past the byte they return, and they return only a byte
// of their set: the input must hold one (the reader's window ends in a NUL guard followed by padding).
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace oxml::detail {

// The bytes every scan stops at: C0 controls (tab, CR and LF included, and the NUL guard) and every
// byte of a multi-byte UTF-8 character; and the ASCII characters listed.
template <char... Cs> struct ScanSet {};

// Text runs: markup, references and "]]>".
using TextStops = ScanSet<'<', '&', ']'>;
// Attribute values: both quotes, markup and references.
using AttributeStops = ScanSet<'"', '\'', '<', '&'>;

namespace swar {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x8080808080808080ull;

// High bit of each byte equal to c. Bytes above the lowest such byte may be flagged falsely (a
// borrow runs upwards), so only the lowest flag may be used.
inline uint64_t Equal(uint64_t w, char c) {
    const uint64_t x = w ^ (kOnes * static_cast<uint8_t>(c));
    return (x - kOnes) & ~x & kHigh;
}

// High bit of each byte below 0x20 or from 0x80 on, with the same rule.
inline uint64_t ControlOrHigh(uint64_t w) {
    return ((w - kOnes * 0x20) | w) & kHigh;
}

inline unsigned LowestByte(uint64_t flags) {
    return static_cast<unsigned>(__builtin_ctzll(flags)) / 8;
}

} // namespace swar

// The first byte of the set at or after p, eight bytes at a time. The words are read as little-endian
// values, so the lowest flagged byte is the first in memory.
template <char... Cs> const char* FindStopSwar(const char* p, ScanSet<Cs...>) {
    for (;; p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        const uint64_t flags = (swar::ControlOrHigh(w) | ... | swar::Equal(w, Cs));
        if (flags)
            return p + swar::LowestByte(flags);
    }
}

#if defined(__SSE2__)
// The same sixteen bytes at a time: a signed compare with 0x20 catches the controls and the bytes
// from 0x80 on at once.
template <char... Cs> const char* FindStopSse2(const char* p, ScanSet<Cs...>) {
    const __m128i control = _mm_set1_epi8(0x20);
    for (;; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_cmplt_epi8(v, control);
        ((hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(Cs)))), ...);
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
}
#endif

template <class Set> const char* FindStop(const char* p, Set set) {
#if defined(__SSE2__)
    return FindStopSse2(p, set);
#else
    return FindStopSwar(p, set);
#endif
}

// The end of the run of well-formed multi-byte UTF-8 characters at p that XML allows (p itself when
// none starts there). Characters that do not lie wholly before e, malformed sequences, U+FFFE and
// U+FFFF are left to the careful path. Runs of Greek, Cyrillic or CJK text pass here without a call.
inline const char* SkipMultibyte(const char* p, const char* e) {
    const auto* s = reinterpret_cast<const uint8_t*>(p);
    const auto* end = reinterpret_cast<const uint8_t*>(e);
    auto follows = [](uint8_t b) { return (b & 0xC0) == 0x80; };
    for (;;) {
        const uint8_t b = s[0];
        if (b >= 0xC2 && b <= 0xDF) {
            if (end - s < 2 || !follows(s[1]))
                break;
            s += 2;
        } else if ((b & 0xF0) == 0xE0) {
            if (end - s < 3 || !follows(s[1]) || !follows(s[2]))
                break;
            if ((b == 0xE0 && s[1] < 0xA0) || (b == 0xED && s[1] >= 0xA0) ||
                (b == 0xEF && s[1] == 0xBF && s[2] >= 0xBE))
                break; // overlong, surrogate, U+FFFE or U+FFFF
            s += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (end - s < 4 || !follows(s[1]) || !follows(s[2]) || !follows(s[3]))
                break;
            if ((b == 0xF0 && s[1] < 0x90) || (b == 0xF4 && s[1] >= 0x90))
                break; // overlong or past U+10FFFF
            s += 4;
        } else {
            break;
        }
    }
    return reinterpret_cast<const char*>(s);
}

} // namespace oxml::detail
