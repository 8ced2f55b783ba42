#include "zip/ZipDeflate.h"

#include "zip/ZipError.h"

#include <algorithm>
#include <zlib.h>

namespace zip {
namespace {
// Never hand zlib a window it cannot address in its 32-bit counters.
constexpr size_t kMaxStep = 1u << 30;
constexpr size_t kMinOutput = 64 << 10;
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

uint64_t Deflater::Compress(const uint8_t* data, size_t size, bool finish, Output& out) {
    z_stream& z = stream_->z;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    uint64_t produced = 0;
    for (;;) {
        size_t available = 0;
        uint8_t* tail = out.Tail(kMinOutput, available);
        available = std::min(available, kMaxStep);
        z.next_out = tail;
        z.avail_out = static_cast<uInt>(available);
        const int result = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_ERROR)
            throw EZipError("The compressor failed");
        const size_t made = available - z.avail_out;
        out.Commit(made);
        produced += made;
        if (finish ? result == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            return produced;
    }
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

} // namespace zip
