#pragma once
// Deflates one entry on every processor at once: the input is cut into blocks, each block is compressed
// by a worker with the 32 KiB before it as its dictionary, and the blocks are joined in order into one
// deflate stream. The compression comes close to one stream's (the dictionary keeps matches across the
// cut) and the memory stays bounded whatever the entry's size: only a few blocks are in flight.
#include "zip/ZipDeflate.h"
#include "zip/ZipOutput.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zip {

// Input per block: large enough that the dictionary each block loads costs little (all blocks together
// take a few percent more work than one stream), small enough that every processor has blocks to work
// on in an entry of a few MiB.
constexpr size_t kDefaultBlockSize = 512 << 10;

struct DeflateResult {
    uint64_t Size = 0;
    uint64_t CompressedSize = 0;
    uint32_t Crc = 0;
};

class ParallelDeflater {
public:
    // Fills buffer with up to capacity bytes of the entry; 0 at its end. May throw.
    using Source = std::function<size_t(uint8_t* buffer, size_t capacity)>;
    // Told the bytes of the entry consumed so far, each time a block of them is in the output.
    using Progress = std::function<void(uint64_t consumed)>;

    // threads 0: one per processor, at most eight. A blockSize below the dictionary's size is raised
    // to it.
    explicit ParallelDeflater(unsigned threads = 0, size_t blockSize = kDefaultBlockSize);
    ~ParallelDeflater();
    ParallelDeflater(const ParallelDeflater&) = delete;
    ParallelDeflater& operator=(const ParallelDeflater&) = delete;

    // Deflates the whole source into out. An error of the source, the output, the progress or a worker
    // is raised once no worker touches the blocks any more; what reached out is then incomplete.
    DeflateResult Compress(const Source& read, Output& out, const Progress& progress);

private:
    struct Block;

    void Work(Deflater& deflater);
    void Stop();
    bool Fill(Block& block, const Source& read);
    void Submit(Block& block);
    Block& WaitFor(Block& block);
    // Takes back the blocks no worker has begun and waits for those that one has.
    void Drain();

    size_t blockSize_;
    std::vector<std::unique_ptr<Block>> ring_;
    Bytes dictionary_; // the last kDictionarySize bytes of the block read before
    std::mutex lock_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<Block*> pending_;
    size_t busy_ = 0; // blocks a worker has taken and not yet finished
    bool stop_ = false;
    std::vector<std::unique_ptr<Deflater>> deflaters_; // one per worker
    std::vector<std::thread> workers_;
};

} // namespace zip
