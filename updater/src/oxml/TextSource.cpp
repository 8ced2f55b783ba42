#include "oxml/TextSource.h"

#include "text/TextCodec.h"

#include <algorithm>
#include <cstring>

namespace oxml::detail {

namespace {

bool StartsWith(const std::string& s, const char* bom) {
    return s.compare(0, std::strlen(bom), bom) == 0;
}

size_t BomLength(const std::string& head, uint32_t codePage) {
    if (codePage == kUtf8 && StartsWith(head, "\xEF\xBB\xBF"))
        return 3;
    if (codePage == kUtf16Le && StartsWith(head, "\xFF\xFE"))
        return 2;
    if (codePage == kUtf16Be && StartsWith(head, "\xFE\xFF"))
        return 2;
    return 0;
}

bool CanDecode(uint32_t codePage) {
    if (codePage == kUtf8 || codePage == kUtf16Le || codePage == kUtf16Be)
        return true;
    std::string probe;
    return text::DecodeCodePage(codePage, "<", probe);
}

bool IsShiftJisLead(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsBase64(uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '+' || b == '/';
}

constexpr uint32_t kShiftJis = 932;
constexpr uint32_t kUtf7 = 65000;

} // namespace

void TextSource::Open(IByteStream& stream, uint32_t forceCodePage) {
    stream_ = &stream;
    head_.assign(kBlockSize, '\0');
    size_t got = 0;
    while (got < 3) { // a short first read must not hide a byte-order mark
        size_t n = stream.Read(head_.data() + got, kBlockSize - got);
        if (n == 0)
            break;
        got += n;
    }
    head_.resize(got);
    headPos_ = 0;
    rawEnd_ = false;
    carry_.clear();
    decoded_.clear();
    decodedPos_ = 0;
    highSurrogate_ = 0;
    if (forceCodePage != 0 && CanDecode(forceCodePage)) {
        codePage_ = forceCodePage;
        fixed_ = true;
        headPos_ = BomLength(head_, codePage_);
        return;
    }
    fixed_ = false;
    for (uint32_t cp : {kUtf8, kUtf16Le, kUtf16Be}) {
        if (size_t bom = BomLength(head_, cp)) {
            codePage_ = cp;
            fixed_ = true;
            headPos_ = bom;
            return;
        }
    }
    codePage_ = kUtf8;
}

bool TextSource::SwitchTo(uint32_t codePage) {
    if (!CanDecode(codePage) || !stream_->Rewind())
        return false;
    head_.clear();
    headPos_ = 0;
    rawEnd_ = false;
    carry_.clear();
    decoded_.clear();
    decodedPos_ = 0;
    highSurrogate_ = 0;
    codePage_ = codePage;
    fixed_ = true;
    return true;
}

size_t TextSource::ReadRaw(char* dst) {
    if (headPos_ < head_.size()) {
        size_t n = std::min(kBlockSize, head_.size() - headPos_);
        std::memcpy(dst, head_.data() + headPos_, n);
        headPos_ += n;
        return n;
    }
    if (rawEnd_)
        return 0;
    size_t n = stream_->Read(dst, kBlockSize);
    if (n == 0)
        rawEnd_ = true;
    return n;
}

size_t TextSource::Read(char* dst) {
    if (codePage_ == kUtf8)
        return ReadRaw(dst);
    while (decodedPos_ >= decoded_.size()) {
        if (rawEnd_ && carry_.empty())
            return 0;
        DecodeMore();
    }
    size_t n = std::min(kBlockSize, decoded_.size() - decodedPos_);
    std::memcpy(dst, decoded_.data() + decodedPos_, n);
    decodedPos_ += n;
    return n;
}

// Where a block may be cut without splitting a character of a multi-byte encoding.
size_t TextSource::SafeCut(std::string_view bytes) const {
    if (codePage_ == kUtf16Le || codePage_ == kUtf16Be)
        return bytes.size() & ~size_t(1);
    if (codePage_ == kShiftJis) {
        size_t i = 0;
        while (i < bytes.size())
            i += IsShiftJisLead(static_cast<uint8_t>(bytes[i])) ? 2 : 1;
        return i > bytes.size() ? bytes.size() - 1 : bytes.size();
    }
    if (codePage_ == kUtf7) {
        bool shifted = false;
        size_t shiftStart = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            uint8_t b = static_cast<uint8_t>(bytes[i]);
            if (!shifted && b == '+') {
                shifted = true;
                shiftStart = i;
            } else if (shifted && !IsBase64(b)) {
                shifted = false;
            }
        }
        // A shifted run longer than a block is decoded as it stands rather than held without limit.
        return shifted && shiftStart > 0 ? shiftStart : bytes.size();
    }
    return bytes.size();
}

void TextSource::DecodeMore() {
    decoded_.clear();
    decodedPos_ = 0;
    raw_.resize(kBlockSize);
    size_t n = ReadRaw(raw_.data());
    bool last = n == 0;
    std::string bytes = std::move(carry_);
    carry_.clear();
    bytes.append(raw_.data(), n);
    size_t cut = last ? bytes.size() : SafeCut(bytes);
    carry_.assign(bytes, cut, std::string::npos);
    bytes.resize(cut);
    if (codePage_ == kUtf16Le || codePage_ == kUtf16Be) {
        DecodeUtf16(bytes, last);
        return;
    }
    if (!text::DecodeCodePage(codePage_, bytes, decoded_))
        decoded_ = bytes;
}

void TextSource::DecodeUtf16(std::string_view bytes, bool last) {
    constexpr uint32_t kReplacement = 0xFFFD;
    bool le = codePage_ == kUtf16Le;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        uint32_t lo = static_cast<uint8_t>(bytes[le ? i : i + 1]);
        uint32_t hi = static_cast<uint8_t>(bytes[le ? i + 1 : i]);
        uint32_t unit = lo | (hi << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (highSurrogate_)
                text::AppendUtf8(decoded_, kReplacement);
            highSurrogate_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (highSurrogate_)
                text::AppendUtf8(decoded_, 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
            else
                text::AppendUtf8(decoded_, kReplacement);
            highSurrogate_ = 0;
        } else {
            if (highSurrogate_)
                text::AppendUtf8(decoded_, kReplacement);
            highSurrogate_ = 0;
            text::AppendUtf8(decoded_, unit);
        }
    }
    if (last && (highSurrogate_ || bytes.size() % 2 != 0)) {
        text::AppendUtf8(decoded_, kReplacement);
        highSurrogate_ = 0;
    }
}

} // namespace oxml::detail
