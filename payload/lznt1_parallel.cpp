#include "payload/lznt1_parallel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr size_t kBlockBytes = kLznt1ChunksPerBlock * kLznt1ChunkSize;

// Blocks of whole chunks, handed out one at a time so that threads finishing early take more; each
// block's stream goes to its own slot of a scratch area, and the slots are joined in order.
class BlockEncoder {
  public:
    BlockEncoder(const uint8_t* in, size_t inSize, Lznt1Parse parse, uint8_t* scratch, Lznt1Result* results)
        : in_(in), inSize_(inSize), parse_(parse), scratch_(scratch), results_(results),
          blocks_((inSize + kBlockBytes - 1) / kBlockBytes) {}

    void Work() {
        for (size_t block = next_++; block < blocks_; block = next_++) {
            const size_t size = std::min(kBlockBytes, inSize_ - block * kBlockBytes);
            results_[block] = Lznt1EncodeBuffer(in_ + block * kBlockBytes, size, Slot(block),
                                                Lznt1EncodeBound(size), parse_);
        }
    }

    // Joins the blocks' streams into out; the status and size Lznt1EncodeBuffer would give.
    Lznt1Result Join(uint8_t* out, size_t outCapacity) const {
        size_t written = 0;
        for (size_t block = 0; block < blocks_; ++block) {
            const Lznt1Result& result = results_[block];
            if (result.status != Lznt1Status::Ok || result.size > outCapacity - written)
                return {Lznt1Status::ShortOutput, 0};
            std::memcpy(out + written, Slot(block), result.size);
            written += result.size;
        }
        return {Lznt1Status::Ok, written};
    }

  private:
    uint8_t* Slot(size_t block) const { return scratch_ + block * Lznt1EncodeBound(kBlockBytes); }

    const uint8_t* in_;
    size_t inSize_;
    Lznt1Parse parse_;
    uint8_t* scratch_;
    Lznt1Result* results_;
    size_t blocks_;
    std::atomic<size_t> next_{0};
};

} // namespace

Lznt1Result Lznt1EncodeParallel(const uint8_t* in, size_t inSize, uint8_t* out, size_t outCapacity,
                                Lznt1Parse parse, unsigned threads) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const size_t blocks = (inSize + kBlockBytes - 1) / kBlockBytes;
    const auto helpers = static_cast<unsigned>(std::min<size_t>(threads, blocks)) - (blocks == 0 ? 0 : 1);
    if (helpers == 0) return Lznt1EncodeBuffer(in, inSize, out, outCapacity, parse);

    std::unique_ptr<uint8_t[]> scratch;
    std::unique_ptr<Lznt1Result[]> results;
    std::vector<std::thread> workers;
    try {
        scratch.reset(new uint8_t[blocks * Lznt1EncodeBound(kBlockBytes)]);
        results.reset(new Lznt1Result[blocks]);
        workers.reserve(helpers);
    } catch (const std::bad_alloc&) {
        return Lznt1EncodeBuffer(in, inSize, out, outCapacity, parse);
    }
    BlockEncoder encoder(in, inSize, parse, scratch.get(), results.get());
    for (unsigned i = 0; i < helpers; ++i) {
        try {
            workers.emplace_back(&BlockEncoder::Work, &encoder);
        } catch (const std::system_error&) {
            break; // fewer helpers: the blocks are shared among those that started
        }
    }
    encoder.Work();
    for (std::thread& worker : workers) worker.join();
    return encoder.Join(out, outCapacity);
}
