#pragma once
// Raw deflate (no zlib wrapper) straight into the archive's output buffer.
#include "zip/ZipOutput.h"

#include <cstdint>
#include <memory>

namespace zip {

class Deflater {
public:
    Deflater();
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses the input into out; finish ends the stream. Returns the bytes produced.
    uint64_t Compress(const uint8_t* data, size_t size, bool finish, Output& out);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

// A size the compressed form of size bytes never exceeds.
uint64_t DeflateBound(uint64_t size);

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

} // namespace zip
