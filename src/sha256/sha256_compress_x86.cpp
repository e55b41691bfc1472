// SHA-256 compression with the x86-64 SHA extensions (sha256rnds2,
// sha256msg1, sha256msg2). Compiled for those instructions through the
// function's target attribute alone, so the rest of the program keeps the
// baseline instruction set; sha256_hardware_compression() hands it out only
// where CPUID reports them.
#include "sha256/sha256_compress.h"

#ifdef BRINDLEX_SHA256_X86

#include <immintrin.h>

#include "sha256/sha256.h"

#define SHA_FUNCTION __attribute__((target("sha,ssse3")))

namespace {

// The lanes of a, b as {a[1], a[0], b[1], b[0]}, lowest first.
__m128i low_pairs_swapped(__m128i a, __m128i b) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), 0x11));
}

// The lanes of a, b as {a[3], a[2], b[3], b[2]}, lowest first.
__m128i high_pairs_swapped(__m128i a, __m128i b) {
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), 0xBB));
}

// One block's 64 rounds on the state in registers, as sha256rnds2 keeps it:
// two vectors, ABEF and CDGH. Vector names list the lanes from the highest
// down, as the instruction reference does.
SHA_FUNCTION inline __attribute__((always_inline)) void compress_block(__m128i& abef, __m128i& cdgh,
                                                                       const uint8_t* block) {
    // The message words are big-endian: swap the bytes of each 32-bit lane.
    const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    const __m128i abef_start = abef;
    const __m128i cdgh_start = cdgh;
    __m128i w[4];
    for (size_t i = 0; i < 4; i++) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i));
        w[i] = _mm_shuffle_epi8(bytes, byte_swap);
    }

    // Sixteen groups of four rounds. w[i % 4] holds the words of group i;
    // from group 4 on they are scheduled from the four groups before:
    // W[t] = sigma1(W[t-2]) + W[t-7] + sigma0(W[t-15]) + W[t-16].
#pragma GCC unroll 16
    for (size_t i = 0; i < 16; i++) {
        __m128i& words = w[i % 4];
        if (i >= 4) {
            __m128i t_minus_7 = _mm_alignr_epi8(w[(i + 3) % 4], w[(i + 2) % 4], 4);
            words = _mm_add_epi32(_mm_sha256msg1_epu32(words, w[(i + 1) % 4]), t_minus_7);
            words = _mm_sha256msg2_epu32(words, w[(i + 3) % 4]);
        }
        __m128i k =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(sha256_round_constants + 4 * i));
        __m128i words_plus_k = _mm_add_epi32(words, k);
        // Two rounds with the low two lanes, two with the high two. After
        // two rounds the old A, B, E, F are the new C, D, G, H.
        __m128i next = _mm_sha256rnds2_epu32(cdgh, abef, words_plus_k);
        cdgh = abef;
        abef = next;
        next = _mm_sha256rnds2_epu32(cdgh, abef, _mm_shuffle_epi32(words_plus_k, 0x0E));
        cdgh = abef;
        abef = next;
    }

    abef = _mm_add_epi32(abef, abef_start);
    cdgh = _mm_add_epi32(cdgh, cdgh_start);
}

}  // namespace

SHA_FUNCTION void sha256_compress_x86_sha(uint32_t state[8], const uint8_t* first,
                                          const uint8_t* blocks, size_t count) {
    // The state is shuffled in once, stays in registers for all the blocks,
    // and is shuffled back once at the end. A load puts state[0] in the
    // lowest lane.
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    __m128i abef = low_pairs_swapped(hgfe, dcba);
    __m128i cdgh = high_pairs_swapped(hgfe, dcba);

    if (first != nullptr) {
        compress_block(abef, cdgh, first);
    }
    for (; count > 0; count--, blocks += 64) {
        // A block the other core has just read in reaches this one late,
        // later than the processor fetches ahead by itself: ask for the
        // line 512 bytes on.
        if (count > 8) {
            __builtin_prefetch(blocks + 512);
        }
        compress_block(abef, cdgh, blocks);
    }

    // Back to the order of state[].
    dcba = high_pairs_swapped(abef, cdgh);
    hgfe = low_pairs_swapped(abef, cdgh);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

#endif
