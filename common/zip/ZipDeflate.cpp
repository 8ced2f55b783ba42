#include "zip/ZipDeflate.h"

#include "zip/ZipError.h"

#include <algorithm>
#include <zlib.h>

namespace zip {
namespace {
// Never hand zlib a window it cannot address in its 32-bit counters.
constexpr size_t kMaxStep = 1u << 30;
// Room for the sync flush's empty stored block and the bits before it, beyond zlib's own bound.
constexpr size_t kFlushReserve = 16;
} // namespace

struct Deflater::Stream {
    z_stream z{};
};

Deflater::Deflater() : stream_(std::make_unique<Stream>()) {
    if (deflateInit2(&stream_->z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw EZipError("The compressor cannot be started (out of memory)");
}

Deflater::~Deflater() {
    deflateEnd(&stream_->z);
}

size_t Deflater::CompressBlock(const uint8_t* dictionary, size_t dictionarySize, const uint8_t* data,
                               size_t size, bool last, Bytes& out) {
    z_stream& z = stream_->z;
    if (size > kMaxStep || deflateReset(&z) != Z_OK ||
        (dictionarySize > 0 &&
         deflateSetDictionary(&z, dictionary, static_cast<uInt>(dictionarySize)) != Z_OK))
        throw EZipError("The compressor failed");
    out.resize(std::max<size_t>(out.size(), deflateBound(&z, static_cast<uLong>(size)) + kFlushReserve));
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    size_t made = 0;
    for (;;) {
        z.next_out = out.data() + made;
        z.avail_out = static_cast<uInt>(out.size() - made);
        const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
        if (result == Z_STREAM_ERROR)
            throw EZipError("The compressor failed");
        made = out.size() - z.avail_out;
        // A flush is complete once zlib had room left over; the end, once it says so.
        if (last ? result == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            break;
        out.resize(out.size() * 2);
    }
    return made;
}

uint64_t DeflateBound(uint64_t size) {
    return size + (size >> 11) + 64;
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
    while (size > 0) {
        const size_t step = std::min(size, kMaxStep);
        crc = static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(step)));
        data += step;
        size -= step;
    }
    return crc;
}

uint32_t Crc32Combine(uint32_t first, uint32_t second, size_t secondSize) {
    // Blocks are far smaller than the 2 GiB a 32-bit z_off_t can count.
    return static_cast<uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondSize)));
}

} // namespace zip
