#include "zip/ZipParallelDeflate.h"

#include "zip/ZipDeflate.h"

#include <algorithm>
#include <cstring>

namespace zip {
namespace {
// Beyond this many the blocks in flight would cost more memory than the gain in time is worth.
constexpr unsigned kMaxThreads = 8;
constexpr unsigned kBlocksPerThread = 4;
} // namespace

struct ParallelDeflater::Block {
    Bytes Input; // the dictionary, then the data
    size_t DictionarySize = 0;
    size_t Size = 0;
    bool Last = false;
    Bytes Output; // the compressed block at its start
    size_t OutputSize = 0;
    uint32_t Crc = 0;
    std::exception_ptr Error;
    bool Done = false;
};

ParallelDeflater::ParallelDeflater(unsigned threads, size_t blockSize)
    : blockSize_(std::max(blockSize, kDictionarySize)) {
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
    // Blocks in flight per worker: enough that a worker always finds one waiting while the oldest is
    // still being compressed by another that the system has put aside for a while (a shared machine).
    for (unsigned i = 0; i < kBlocksPerThread * threads; ++i)
        ring_.push_back(std::make_unique<Block>());
    for (unsigned i = 0; i < threads; ++i)
        deflaters_.push_back(std::make_unique<Deflater>());
    try {
        for (auto& deflater : deflaters_)
            workers_.emplace_back([this, d = deflater.get()] { Work(*d); });
    } catch (...) {
        Stop();
        throw;
    }
}

ParallelDeflater::~ParallelDeflater() {
    Stop();
}

void ParallelDeflater::Stop() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    work_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void ParallelDeflater::Work(Deflater& deflater) {
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock guard(lock_);
            work_.wait(guard, [this] { return stop_ || !pending_.empty(); });
            if (stop_)
                return;
            block = pending_.front();
            pending_.pop_front();
            ++busy_;
        }
        try {
            const uint8_t* data = block->Input.data() + block->DictionarySize;
            block->Crc = Crc32(0, data, block->Size);
            block->OutputSize = deflater.CompressBlock(block->Input.data(), block->DictionarySize, data,
                                                       block->Size, block->Last, block->Output);
        } catch (...) {
            block->Error = std::current_exception();
        }
        {
            std::lock_guard guard(lock_);
            block->Done = true;
            --busy_;
        }
        done_.notify_all();
    }
}

bool ParallelDeflater::Fill(Block& block, const Source& read) {
    block.Input.resize(kDictionarySize + blockSize_);
    if (!dictionary_.empty()) // the first block has none, and memcpy takes no null source
        std::memcpy(block.Input.data(), dictionary_.data(), dictionary_.size());
    block.DictionarySize = dictionary_.size();
    uint8_t* data = block.Input.data() + block.DictionarySize;
    size_t size = 0;
    while (size < blockSize_) {
        const size_t got = read(data + size, blockSize_ - size);
        if (got == 0)
            break;
        size += got;
    }
    block.Size = size;
    // Only a read that found the end leaves a block short; a full one may still be the last, which
    // the next read tells.
    block.Last = size < blockSize_;
    if (!block.Last)
        dictionary_.assign(data + size - kDictionarySize, data + size);
    return size > 0;
}

void ParallelDeflater::Submit(Block& block) {
    {
        std::lock_guard guard(lock_);
        block.Done = false;
        block.Error = nullptr;
        pending_.push_back(&block);
    }
    work_.notify_one();
}

ParallelDeflater::Block& ParallelDeflater::WaitFor(Block& block) {
    std::unique_lock guard(lock_);
    done_.wait(guard, [&block] { return block.Done; });
    return block;
}

void ParallelDeflater::Drain() {
    std::unique_lock guard(lock_);
    pending_.clear();
    done_.wait(guard, [this] { return busy_ == 0; });
}

DeflateResult ParallelDeflater::Compress(const Source& read, Output& out, const Progress& progress) {
    DeflateResult result;
    dictionary_.clear();
    size_t oldest = 0;
    size_t inFlight = 0;
    bool end = false;
    bool finished = false;
    try {
        for (;;) {
            while (!end && inFlight < ring_.size()) {
                Block& block = *ring_[(oldest + inFlight) % ring_.size()];
                if (!Fill(block, read)) {
                    end = true;
                    break;
                }
                end = block.Last;
                Submit(block);
                ++inFlight;
            }
            if (inFlight == 0)
                break;
            const Block& block = WaitFor(*ring_[oldest]);
            if (block.Error)
                std::rethrow_exception(block.Error);
            out.Append(block.Output.data(), block.OutputSize);
            result.Crc = Crc32Combine(result.Crc, block.Crc, block.Size);
            result.Size += block.Size;
            result.CompressedSize += block.OutputSize;
            finished = block.Last;
            oldest = (oldest + 1) % ring_.size();
            --inFlight;
            if (progress)
                progress(result.Size);
        }
        // The input ended on a block's edge (or held nothing): the stream still needs its final block.
        if (!finished) {
            out.Append(kEmptyFinalBlock, sizeof kEmptyFinalBlock);
            result.CompressedSize += sizeof kEmptyFinalBlock;
        }
    } catch (...) {
        Drain();
        throw;
    }
    return result;
}

} // namespace zip
