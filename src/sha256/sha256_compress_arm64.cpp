// SHA-256 compression with the ARMv8 SHA-2 instructions (sha256h, sha256h2,
// sha256su0, sha256su1). GCC compiles it for them through the function's
// target attribute alone, so the rest of the program keeps the baseline
// instruction set; sha256_hardware_compression() hands it out only where the
// system reports them.
#include "sha256/sha256_compress.h"

#ifdef BRINDLEX_SHA256_ARM64

#include <arm_neon.h>

#include <cstddef>

#include "sha256/sha256.h"

// GCC and clang 16 or later compile this function alone for the SHA-2
// instructions; older clang builds the file only for targets that have them
// throughout (sha256_compress.h).
#if defined(__clang__) && __clang_major__ >= 16
#define SHA2_FUNCTION __attribute__((target("sha2")))
#elif defined(__clang__)
#define SHA2_FUNCTION
#else
#define SHA2_FUNCTION __attribute__((target("+crypto")))
#endif

namespace {

// One block's 64 rounds on the state in registers.
SHA2_FUNCTION inline __attribute__((always_inline)) void compress_block(uint32x4_t& abcd,
                                                                        uint32x4_t& efgh,
                                                                        const uint8_t* block) {
    const uint32x4_t abcd_start = abcd;
    const uint32x4_t efgh_start = efgh;

    // The message words are big-endian: swap the bytes of each 32-bit lane.
    uint32x4_t w[4];
    for (size_t i = 0; i < 4; i++) {
        w[i] = vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(block + 16 * i)));
    }

    // Sixteen groups of four rounds. w[i % 4] holds the words of group i;
    // from group 4 on they are scheduled from the four groups before:
    // W[t] = sigma1(W[t-2]) + W[t-7] + sigma0(W[t-15]) + W[t-16].
#pragma GCC unroll 16
    for (size_t i = 0; i < 16; i++) {
        uint32x4_t& words = w[i % 4];
        if (i >= 4) {
            words = vsha256su0q_u32(words, w[(i + 1) % 4]);
            words = vsha256su1q_u32(words, w[(i + 2) % 4], w[(i + 3) % 4]);
        }
        uint32x4_t words_plus_k = vaddq_u32(words, vld1q_u32(sha256_round_constants + 4 * i));
        uint32x4_t abcd_before = abcd;
        abcd = vsha256hq_u32(abcd, efgh, words_plus_k);
        efgh = vsha256h2q_u32(efgh, abcd_before, words_plus_k);
    }

    abcd = vaddq_u32(abcd, abcd_start);
    efgh = vaddq_u32(efgh, efgh_start);
}

}  // namespace

SHA2_FUNCTION void sha256_compress_arm64_sha2(uint32_t state[8], const uint8_t* first,
                                              const uint8_t* blocks, size_t count) {
    // The state stays in registers for all the blocks.
    uint32x4_t abcd = vld1q_u32(state);
    uint32x4_t efgh = vld1q_u32(state + 4);
    if (first != nullptr) {
        compress_block(abcd, efgh, first);
    }
    for (; count > 0; count--, blocks += 64) {
        compress_block(abcd, efgh, blocks);
    }

    vst1q_u32(state, abcd);
    vst1q_u32(state + 4, efgh);
}

#endif
