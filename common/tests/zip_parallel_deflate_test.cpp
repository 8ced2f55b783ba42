// The deflate of one entry on several workers: the joined blocks must inflate to the input exactly,
// with the right CRC and sizes, whatever the input's length is against the block size, and a failure
// of the source or of the output must come back to the caller with every worker stopped. Runs in every
// build, on output held in memory, checked with zlib's own inflate.
#include "zip/ZipError.h"
#include "zip/ZipParallelDeflate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <zlib.h>

using namespace zip;

namespace {

constexpr size_t kBlock = 64 << 10;

// The archive's file, in memory; writes fail once the budget is spent, as on a full disk.
class MemoryFile : public plat::IFile {
public:
    Bytes Data;
    uint64_t WriteBudget = UINT64_MAX;

    bool Read(void*, size_t, size_t& got) override {
        got = 0;
        return false;
    }
    bool Write(const void* data, size_t size) override {
        if (size > WriteBudget)
            return false;
        WriteBudget -= size;
        const auto* bytes = static_cast<const uint8_t*>(data);
        Data.insert(Data.end(), bytes, bytes + size);
        return true;
    }
    bool Seek(uint64_t position) override { return position == Data.size(); }
    uint64_t Position() override { return Data.size(); }
    uint64_t Size() override { return Data.size(); }
    bool Truncate() override { return true; }
    bool Flush() override { return true; }
};

Bytes Random(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    Bytes b(size);
    for (uint8_t& c : b)
        c = static_cast<uint8_t>(gen());
    return b;
}

// Text whose repeats lie further apart than one block: only the dictionary finds them in the next one.
Bytes Text(size_t size) {
    const Bytes phrase = Random(20 << 10, 9);
    Bytes b;
    while (b.size() < size)
        b.insert(b.end(), phrase.begin(), phrase.end());
    b.resize(size);
    return b;
}

// Inflates a raw deflate stream, which must end exactly where the data does.
Bytes Inflate(const Bytes& compressed) {
    z_stream z{};
    EXPECT_EQ(Z_OK, inflateInit2(&z, -MAX_WBITS));
    Bytes out;
    Bytes chunk(1 << 20);
    z.next_in = const_cast<Bytef*>(compressed.data());
    z.avail_in = static_cast<uInt>(compressed.size());
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
        result = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
        if (result == Z_BUF_ERROR && z.avail_in == 0)
            break;
    }
    EXPECT_EQ(Z_STREAM_END, result) << "the stream must have its final block";
    EXPECT_EQ(0u, z.avail_in) << "nothing may follow the final block";
    inflateEnd(&z);
    return out;
}

// A source that hands out the input in pieces of a given size, as a file read may.
ParallelDeflater::Source SourceOf(const Bytes& input, size_t piece = SIZE_MAX) {
    auto at = std::make_shared<size_t>(0);
    return [&input, at, piece](uint8_t* buffer, size_t capacity) {
        const size_t n = std::min({capacity, piece, input.size() - *at});
        if (n > 0) // an empty input has no data to copy from
            std::memcpy(buffer, input.data() + *at, n);
        *at += n;
        return n;
    };
}

struct Compressed {
    DeflateResult Result;
    Bytes Data;
    std::vector<uint64_t> Progress;
};

Compressed Compress(ParallelDeflater& deflater, const ParallelDeflater::Source& source) {
    MemoryFile file;
    Compressed c;
    {
        Output out(file, 0, "memory.zip");
        c.Result =
            deflater.Compress(source, out, [&c](uint64_t consumed) { c.Progress.push_back(consumed); });
        out.Finish();
    }
    c.Data = file.Data;
    return c;
}

} // namespace

TEST(ParallelDeflate, EveryLengthAgainstTheBlockSizeInflatesToTheInputWithItsCrcAndSizes) {
    const struct {
        const char* name;
        size_t size;
    } lengths[] = {
        {"empty", 0},
        {"one byte", 1},
        {"less than the dictionary", 1000},
        {"one byte short of a block", kBlock - 1},
        {"one block exactly", kBlock},
        {"one byte past a block", kBlock + 1},
        {"three blocks exactly", 3 * kBlock},
        {"more blocks than are in flight, and a part", 41 * kBlock + 123},
    };
    for (unsigned threads : {1u, 3u}) {
        ParallelDeflater deflater(threads, kBlock);
        for (const auto& length : lengths) {
            for (const Bytes& input : {Text(length.size), Random(length.size, 5)}) {
                SCOPED_TRACE(std::string(length.name) + ", " + std::to_string(threads) + " threads");
                const Compressed c = Compress(deflater, SourceOf(input));
                EXPECT_EQ(input, Inflate(c.Data));
                EXPECT_EQ(crc32(0, input.data(), static_cast<uInt>(input.size())), c.Result.Crc);
                EXPECT_EQ(input.size(), c.Result.Size);
                EXPECT_EQ(c.Data.size(), c.Result.CompressedSize);
                const size_t blocks = (input.size() + kBlock - 1) / kBlock;
                ASSERT_EQ(blocks, c.Progress.size());
                for (size_t i = 0; i < blocks; ++i)
                    EXPECT_EQ(std::min<uint64_t>((i + 1) * kBlock, input.size()), c.Progress[i]);
            }
        }
    }
}

TEST(ParallelDeflate, EachBlockFindsTheMatchesOfTheOneBeforeAndIncompressibleDataBarelyGrows) {
    ParallelDeflater deflater(2, kBlock);
    const Bytes text = Text(16 * kBlock);
    const Compressed c = Compress(deflater, SourceOf(text));
    EXPECT_EQ(text, Inflate(c.Data));
    // Without the dictionary each of the 16 blocks would hold the 20 KiB phrase once more (320 KiB);
    // with it only the first does, the rest are references.
    EXPECT_LT(c.Result.CompressedSize, 64u << 10);

    const Bytes noise = Random(16 * kBlock + 7, 6);
    const Compressed n = Compress(deflater, SourceOf(noise));
    EXPECT_EQ(noise, Inflate(n.Data));
    EXPECT_LE(n.Result.CompressedSize, DeflateBound(noise.size()));
}

TEST(ParallelDeflate, ASourceThatGivesLittleAtATimeStillFillsWholeBlocks) {
    ParallelDeflater deflater(2, kBlock);
    const Bytes input = Text(5 * kBlock + 99);
    const Compressed c = Compress(deflater, SourceOf(input, 777));
    EXPECT_EQ(input, Inflate(c.Data));
    EXPECT_EQ(6u, c.Progress.size()) << "a short read is not the end";
}

TEST(ParallelDeflate, AFailureOfTheSourceTheOutputOrTheProgressReachesTheCallerAndTheWorkersGoOn) {
    ParallelDeflater deflater(3, kBlock);
    const Bytes input = Text(40 * kBlock);
    size_t reads = 0;
    const ParallelDeflater::Source full = SourceOf(input);
    const ParallelDeflater::Source failing = [&](uint8_t* buffer, size_t capacity) -> size_t {
        if (++reads == 20)
            throw EZipError("Error reading file \"heap.hprof\"");
        return full(buffer, capacity);
    };
    EXPECT_THROW(Compress(deflater, failing), EZipError);

    MemoryFile file;
    file.WriteBudget = 100;
    {
        Output out(file, 0, "full.zip");
        // Random data fills the output's buffer, so it is written (and fails) while blocks are in flight.
        const Bytes noise = Random(100 * kBlock, 8);
        EXPECT_THROW(deflater.Compress(SourceOf(noise), out, {}), EZipError);
    }

    MemoryFile cancelled;
    {
        Output out(cancelled, 0, "cancelled.zip");
        const auto cancel = [](uint64_t consumed) {
            if (consumed > 3 * kBlock)
                throw std::runtime_error("cancelled");
        };
        EXPECT_THROW(deflater.Compress(SourceOf(input), out, cancel), std::runtime_error);
    }

    const Compressed after = Compress(deflater, SourceOf(input));
    EXPECT_EQ(input, Inflate(after.Data)) << "the next entry is whole again";
}
