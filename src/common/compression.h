// What the MD5 and SHA-256 engines share: the type of their compressions,
// the choice of one at its first use, and the way whole blocks reach it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Compresses into the chaining words `state` the 64-byte block `first`,
// where one is given, then `count` (zero or more) consecutive 64-byte blocks
// from `blocks`, in that order, and writes nothing else.
using Compression = void (*)(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                             size_t count);

// The environment variable that can overrule the processor's choice: read
// when the choice is made, at the first compression (by each thread that
// makes it, should several race). "portable" turns every processor-specific
// compression off; "hardware" takes one wherever the processor can run it,
// even where it is not expected to be faster. Any other value, or none,
// leaves the choice to the rule in each engine's select file.
constexpr const char* compression_variable = "BRINDLEX_COMPRESSION";

// The compression to run, given the variable's value (nullptr where unset):
// `by_rule` or `runnable` where asked for and not nullptr, else `portable`.
// Each of the two is called only where it is asked for.
Compression choose_compression(const char* setting, Compression (*by_rule)(),
                               Compression (*runnable)(), Compression portable);

// Runs the compression choose_compression picks, chosen at the first
// compression rather than by an initializer, so that a digest made before
// main (by another file's initializer) finds it chosen too. `chosen` starts
// constant-initialized, pointing at the step that chooses.
template <Compression (*by_rule)(), Compression (*runnable)(), Compression portable>
struct ChosenAtFirstUse {
    static void compress(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                         size_t count) {
        chosen.load(std::memory_order_relaxed)(state, first, blocks, count);
    }

private:
    // The choice comes out the same whoever makes it, so nothing waits for
    // it: threads that arrive together may each make it. While it is being
    // made, the portable compression stands in, for other threads and for a
    // compression the choice itself asks for; it never replaces a choice
    // already stored.
    static void choose_and_compress(uint32_t* state, const uint8_t* first, const uint8_t* blocks,
                                    size_t count) {
        Compression unchosen = choose_and_compress;
        chosen.compare_exchange_strong(unchosen, portable);
        Compression choice =
            choose_compression(std::getenv(compression_variable), by_rule, runnable, portable);
        chosen.store(choice);
        choice(state, first, blocks, count);
    }
    static inline std::atomic<Compression> chosen{choose_and_compress};
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
