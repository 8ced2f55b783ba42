#pragma once
// Raw deflate (no zlib wrapper) of one block of an entry, so that blocks can be compressed apart and
// joined into one stream: a block takes the 32 KiB of input before it as its dictionary and ends on a
// byte boundary, unless it is the entry's last.
#include "zip/ZipRecords.h"

#include <cstdint>
#include <memory>

namespace zip {

// The most a deflate stream looks back, and so the dictionary a block needs.
constexpr size_t kDictionarySize = 32 << 10;

class Deflater {
public:
    Deflater();
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Writes the compressed block at the start of out and returns its length. A block that is not the
    // last ends with an empty stored block (a sync flush), so the next one can follow it directly; the
    // last one ends the stream. out grows when it is too small and never shrinks, so a buffer used for
    // block after block is not cleared each time.
    size_t CompressBlock(const uint8_t* dictionary, size_t dictionarySize, const uint8_t* data, size_t size,
                         bool last, Bytes& out);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

// A stream's end with nothing more in it: an empty final block with the fixed codes (what zlib itself
// writes for an empty input).
constexpr uint8_t kEmptyFinalBlock[] = {0x03, 0x00};

// A size the compressed form of size bytes never exceeds.
uint64_t DeflateBound(uint64_t size);

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);
// The CRC of two pieces joined, from the CRC of each and the second's length (a block's, below 1 GiB).
uint32_t Crc32Combine(uint32_t first, uint32_t second, size_t secondSize);

} // namespace zip
