#include "oxml/TokenReader.h"

#include "oxml/XmlChars.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace oxml::detail {

namespace {

// Room after the end of the input: a NUL guard that stops every scanning loop, and slack so that a
// parser may look a few bytes ahead before it checks the end.
constexpr size_t kPadding = 64;
static_assert(kPadding >= ElementStack::kNameSlack, "names are copied with a fixed-size read");

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Full;

// Number of set bits in a word whose only set bits are the high bits of its bytes; a multiply, where
// a population count would be a library call on processors without the instruction.
inline uint64_t CountHighBits(uint64_t mask) {
    return ((mask >> 7) * 0x0101010101010101ull) >> 56;
}

#if defined(__SSE2__)
// Sum of the sixteen bytes of v.
inline uint64_t SumBytes(__m128i v) {
    alignas(16) uint64_t halves[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(halves), _mm_sad_epu8(v, _mm_setzero_si128()));
    return halves[0] + halves[1];
}

// Continuation bytes and LF bytes, sixteen bytes at a time; returns the number of bytes examined.
size_t CountWide(const char* p, size_t n, uint64_t& continuation, uint64_t& breaks) {
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i top = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i follower = _mm_set1_epi8(static_cast<char>(0x80));
    size_t i = 0;
    while (i + 16 <= n) {
        // Byte-wide counters: summed up before any of them can pass 255.
        size_t rounds = std::min<size_t>((n - i) / 16, 255);
        __m128i c = _mm_setzero_si128(), b = _mm_setzero_si128();
        for (size_t r = 0; r < rounds; ++r, i += 16) {
            __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            c = _mm_sub_epi8(c, _mm_cmpeq_epi8(_mm_and_si128(w, top), follower));
            b = _mm_sub_epi8(b, _mm_cmpeq_epi8(w, lf));
        }
        continuation += SumBytes(c);
        breaks += SumBytes(b);
    }
    return i;
}
#endif

// Characters (bytes that do not continue a UTF-8 sequence) and LF bytes in [p, p + n): this runs over
// every byte of the input, so it goes sixteen or eight bytes at a time.
void Count(const char* p, size_t n, uint64_t& chars, uint64_t& lines) {
    uint64_t continuation = 0, breaks = 0;
    size_t i = 0;
#if defined(__SSE2__)
    i = CountWide(p, n, continuation, breaks);
#endif
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        continuation += CountHighBits(w & ~(w << 1) & kHighBits);
        uint64_t x = w ^ 0x0A0A0A0A0A0A0A0Aull; // LF bytes become zero
        breaks += CountHighBits(~(((x & kLowBits) + kLowBits) | x) & kHighBits);
    }
    for (; i < n; ++i) {
        continuation += (static_cast<uint8_t>(p[i]) & 0xC0) == 0x80;
        breaks += p[i] == '\n';
    }
    chars = n - continuation;
    lines = breaks;
}

// The characters after the last LF of [p, p + n), which holds at least one.
uint64_t CharsAfterLastBreak(const char* p, size_t n) {
    const char* q = p + n;
    while (q[-1] != '\n')
        --q;
    uint64_t chars = 0, lines = 0;
    Count(q, p + n - q, chars, lines);
    return chars;
}

} // namespace

void TokenReader::Start(IByteStream& stream, uint32_t forceCodePage, const std::string& fileName) {
    fileName_ = fileName;
    error_ = TParseError();
    source_.Open(stream, forceCodePage);
    Restart();
}

void TokenReader::Restart() {
    if (buffer_.size() < 2 * kBlockSize + kPadding)
        buffer_.resize(2 * kBlockSize + kPadding);
    pos_ = 0;
    end_ = 0;
    buffer_[0] = '\0';
    inputEnded_ = false;
    firstToken_ = true;
    charsBefore_ = 0;
    linesBefore_ = 0;
    lineCharsBefore_ = 0;
    open_.Clear();
    entities_.clear();
}

// Drops the consumed front of the window, keeping count of the lines and characters it held.
void TokenReader::Discard(size_t count) {
    uint64_t chars = 0, lines = 0;
    Count(buffer_.data(), count, chars, lines);
    charsBefore_ += chars;
    linesBefore_ += lines;
    lineCharsBefore_ = lines ? CharsAfterLastBreak(buffer_.data(), count) : lineCharsBefore_ + chars;
    std::memmove(buffer_.data(), buffer_.data() + count, end_ - count);
    end_ -= count;
    pos_ -= count;
}

// Appends input: at least one block, and at least as much as the unfinished token already holds.
bool TokenReader::Fill() {
    if (inputEnded_)
        return false;
    if (pos_ > 0)
        Discard(pos_);
    size_t want = std::max(kBlockSize, end_);
    size_t added = 0;
    while (added < want) {
        if (buffer_.size() < end_ + kBlockSize + kPadding)
            buffer_.resize(std::max(buffer_.size() * 2, end_ + kBlockSize + kPadding));
        size_t n = source_.Read(buffer_.data() + end_);
        if (n == 0) {
            inputEnded_ = true;
            break;
        }
        end_ += n;
        added += n;
    }
    buffer_[end_] = '\0';
    return added > 0;
}

bool TokenReader::Next(Token& token) {
    if (error_.HasError())
        return false;
    for (;;) {
        if (pos_ == end_ && !Fill()) {
            if (open_.Depth() > 0)
                Unexpected();
            return false;
        }
        entityBudget_ = 0;
        const char* p = buffer_.data() + pos_;
        Status status = ParseToken(token, p);
        if (status == Status::Failed)
            return false;
        if (status == Status::NeedMore) {
            if (inputEnded_) { // a parser that wants more than there is: the token is unfinished
                Unexpected();
                return false;
            }
            Fill();
            continue;
        }
        pos_ = p - buffer_.data();
        firstToken_ = false;
        if (token.Kind == TokenKind::XmlDeclaration && !source_.EncodingFixed()) {
            uint32_t codePage = CodePageOfEncodingName(attributes_.Get("encoding"));
            // A declaration read as 8-bit text cannot be UTF-16: switching would only read garbage.
            bool switches =
                codePage != 0 && codePage != kUtf8 && codePage != kUtf16Le && codePage != kUtf16Be;
            if (switches && source_.SwitchTo(codePage)) {
                Restart();
                continue;
            }
        }
        return true;
    }
}

TokenReader::Status TokenReader::ParseToken(Token& token, const char*& p) {
    if (*p == '<')
        return ParseMarkup(token, p);
    return ParseText(token, p);
}

// The whole of ScanName for names with non-ASCII characters: these are taken as a whole and only
// when they are valid UTF-8.
const char* TokenReader::ScanNameSlow(const char* p) const {
    for (const char* start = p; Is(*p, p == start ? cNameStart : cName);) {
        if (!Is(*p, cHigh)) {
            ++p;
            while (IsNameAscii(*p))
                ++p;
            continue;
        }
        uint32_t codePoint = 0;
        int length = Utf8SequenceLength(p, End(), codePoint);
        if (length < 0)
            return End();
        if (length == 0)
            break;
        p += length;
    }
    return p;
}

TokenReader::Status TokenReader::CheckEndTag(std::string_view name, const char* where) {
    if (open_.Depth() == 0)
        return Fail(TParseErrorKind::InvalidStructure, "Too many elements closed.", where);
    if (!open_.PopIf(name)) {
        std::string reason = "Trying to close wrong element. Close=\"" + std::string(name) +
                             "\", open element=\"" + std::string(open_.Top()) + "\".";
        return Fail(TParseErrorKind::InvalidStructure, std::move(reason), where);
    }
    return Status::Ok;
}

TokenReader::Status TokenReader::BadName(const char* p) {
    const char* q = p;
    while (q < End() && !Is(*q, cSpace) && *q != '>' && *q != '/' && *q != '<')
        ++q;
    if (q == End() && !inputEnded_)
        return Status::NeedMore;
    return Fail(TParseErrorKind::InvalidName, "\"" + std::string(p, q) + "\" is not a valid element name.",
                p);
}

TokenReader::Status TokenReader::HeaderChar(const char* p) {
    if (p == End())
        return More();
    return FailChar(TParseErrorKind::InvalidCharacter, "The character \"%s\" cannot occur in element header.",
                    p);
}

TokenReader::Status TokenReader::Unexpected() {
    return Fail(TParseErrorKind::InvalidStructure, "There are unclosed elements in the document end.", End());
}

TokenReader::Status TokenReader::FailChar(TParseErrorKind kind, const char* format, const char* where) {
    uint8_t byte = static_cast<uint8_t>(*where);
    uint32_t codePoint = byte;
    // A byte that begins no valid UTF-8 sequence is shown by its value, like a control character.
    int length = byte >= 0x80 ? Utf8SequenceLength(where, End(), codePoint) : 1;
    if (length < 0 && !inputEnded_) // show the whole character, not the part of it read so far
        return Status::NeedMore;
    bool stray = length <= 0;
    std::string shown = stray ? ShowByte(byte) : ShowChar(codePoint);
    std::string reason = format;
    reason.replace(reason.find("%s"), 2, shown);
    return Fail(kind, std::move(reason), where);
}

TokenReader::Status TokenReader::Fail(TParseErrorKind kind, std::string reason, const char* where) {
    size_t offset = static_cast<size_t>(where - buffer_.data());
    uint64_t chars = 0, lines = 0;
    Count(buffer_.data(), offset, chars, lines);
    error_.Kind = kind;
    error_.Reason = std::move(reason);
    error_.Line = linesBefore_ + lines + 1;
    error_.LinePos = (lines ? CharsAfterLastBreak(buffer_.data(), offset) : lineCharsBefore_ + chars) + 1;
    error_.FilePos = charsBefore_ + chars + 1;
    error_.FileName = fileName_;
    return Status::Failed;
}

} // namespace oxml::detail
