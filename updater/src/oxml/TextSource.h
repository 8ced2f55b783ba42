#pragma once
// The input of the tokenizer as UTF-8: raw blocks of the byte stream, the byte-order mark removed and,
// for any other encoding, decoded block by block. UTF-8 input is handed through without a copy.
#include "oxml/SAXParser.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oxml::detail {

constexpr size_t kBlockSize = 16384;
constexpr uint32_t kUtf8 = 65001;
constexpr uint32_t kUtf16Le = 1200;
constexpr uint32_t kUtf16Be = 1201;

class TextSource {
public:
    // Reads the first block and settles the encoding when a byte-order mark or forceCodePage decides.
    void Open(IByteStream& stream, uint32_t forceCodePage);
    // True when a byte-order mark or a forced code page fixed the encoding: the declaration cannot.
    bool EncodingFixed() const { return fixed_; }
    uint32_t CodePage() const { return codePage_; }
    // Starts over from the first byte, decoding codePage. False when the stream cannot rewind or the
    // platform cannot decode the code page; the source then stays as it was.
    bool SwitchTo(uint32_t codePage);
    // Fills dst (room for at least kBlockSize bytes) with up to kBlockSize bytes of UTF-8; 0 at the end.
    size_t Read(char* dst);

private:
    size_t ReadRaw(char* dst);
    void DecodeMore();
    void DecodeUtf16(std::string_view bytes, bool last);
    size_t SafeCut(std::string_view bytes) const;

    IByteStream* stream_ = nullptr;
    uint32_t codePage_ = kUtf8;
    bool fixed_ = false;
    bool rawEnd_ = false;
    std::string head_; // the first block, served before the stream is read again
    size_t headPos_ = 0;
    std::vector<char> raw_; // one raw block for decoding
    std::string carry_;     // raw bytes of a character split by a block boundary
    std::string decoded_;   // decoded UTF-8 not yet handed out
    size_t decodedPos_ = 0;
    uint32_t highSurrogate_ = 0;
};

} // namespace oxml::detail
