// What the MD5 and SHA-256 engines share: the type of their compressions,
// the choice of one at its first use, and the way whole blocks reach it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Compresses into the chaining words `state` the 64-byte block `first`,
// where one is given, then `count` (zero or more) consecutive 64-byte blocks
// from `blocks`, in that order, and writes nothing else.
using Compression = void (*)(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                             size_t count);

// Runs the compression `hardware` returns, or `portable` where it returns
// nullptr, asked for once, at the first compression rather than by an
// initializer, so that a digest made before main (by another file's
// initializer) finds it chosen too. `chosen` starts constant-initialized,
// pointing at the step that chooses.
template <Compression (*hardware)(), Compression portable>
struct ChosenAtFirstUse {
    static void compress(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                         size_t count) {
        chosen.load(std::memory_order_relaxed)(state, first, blocks, count);
    }

private:
    // The first thread here chooses; one that comes while it does waits the
    // few instructions the choice takes, rather than choosing again.
    static void choose_and_compress(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                                    size_t count) {
        if (choosing.exchange(1) == 0) {
            Compression processor = hardware();
            chosen.store(processor != nullptr ? processor : portable);
        }
        Compression choice;
        while ((choice = chosen.load()) == choose_and_compress) {
        }
        choice(state, first, blocks, count);
    }
    static inline std::atomic<Compression> chosen{choose_and_compress};
    // A word, not a bool: RISC-V swaps no byte without libatomic.
    static inline std::atomic<uint32_t> choosing{0};
};

// Absorbs `length` bytes of `data` into a digest whose `block` holds `fill`
// bytes (0 to 63) waiting. Where they complete the block, one call to
// `compress` takes it, then every whole block of the data where it lies;
// the bytes left over wait in `block`. The block ends as if every byte had
// passed through it: the last block compressed, under the bytes waiting.
// Returns how many blocks were compressed.
inline uint32_t absorb_blocks(Compression compress, uint32_t* state, uint8_t block[64],
                              uint32_t fill, const uint8_t* data, uint32_t length) {
    if (length < 64 - fill) {
        // The waiting block is still not full.
        if (length > 0) {
            std::memcpy(block + fill, data, length);
        }
        return 0;
    }
    const uint8_t* first = nullptr;
    if (fill > 0) {
        uint32_t room = 64 - fill;
        std::memcpy(block + fill, data, room);
        data += room;
        length -= room;
        first = block;
    }
    uint32_t blocks = length / 64;
    compress(state, first, data, blocks);
    data += 64 * blocks;
    length %= 64;
    if (blocks > 0) {
        std::memcpy(block, data - 64, 64);
    }
    std::memcpy(block, data, length);
    return blocks + (first != nullptr ? 1 : 0);
}
