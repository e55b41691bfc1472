// MD5 compression with AVX-512 (F and VL), each chaining word in the lowest
// lane of its own vector register. MD5 is one chain of 64 steps, each needing
// the last one's result; with vpternlogd taking F, G, H or I in one
// instruction and vprold rotating in one, a step puts four operations on
// that chain: logic, add, rotate, add. Compiled for AVX-512 through the
// function's target attribute alone, so the rest of the program keeps the
// baseline instruction set; md5_runnable_compression() hands it out only
// where the processor has AVX-512 and the system saves its registers, and
// md5_compression_by_rule() on Intel's processors alone (md5_select.cpp).
#include "md5/md5_compress.h"

#ifdef BRINDLEX_MD5_X86

#include <immintrin.h>

#include "common/byte_order.h"

#define AVX512_FUNCTION __attribute__((target("avx512f,avx512vl")))

namespace {

// vpternlogd's truth tables for the auxiliary functions of RFC 1321, with the
// operands given as (d, c, b). Bit (d << 2 | c << 1 | b) of each table is the
// function's value on those bits.
constexpr int F = 0xd8;  // (b AND c) OR (NOT b AND d)
constexpr int G = 0xac;  // (b AND d) OR (c AND NOT d)
constexpr int H = 0x96;  // b XOR c XOR d
constexpr int I = 0x63;  // c XOR (b OR NOT d)

// a = b + ((a + function(b, c, d) + x + t) <<< s). The message word and the
// constant are added to a first, off the chain; only the logic, one add, the
// rotation and the add of b wait for b. The function's value is added with a
// 64-bit add, whose low 32 bits are the 32-bit sum: compilers do not
// reassociate it with the 32-bit adds before it, which would put a second add
// on the chain. Lanes above the lowest hold nothing of use.
template <int Function, int Shift>
AVX512_FUNCTION inline __attribute__((always_inline)) void step(__m128i& a, __m128i b, __m128i c,
                                                                __m128i d, const uint8_t* block,
                                                                int word, uint32_t t) {
    __m128i x = _mm_cvtsi32_si128(static_cast<int>(load32_le(block + 4 * word)));
    a = _mm_add_epi32(a, _mm_add_epi32(x, _mm_cvtsi32_si128(static_cast<int>(t))));
    a = _mm_add_epi64(a, _mm_ternarylogic_epi32(d, c, b, Function));
    a = _mm_add_epi32(_mm_rol_epi32(a, Shift), b);
}

// One block's 64 steps on the state in registers. The message words are the
// block's little-endian 32-bit words, as x86-64 loads them.
AVX512_FUNCTION inline __attribute__((always_inline)) void compress_block(__m128i& a, __m128i& b,
                                                                          __m128i& c, __m128i& d,
                                                                          const uint8_t* x) {
    const __m128i a_start = a;
    const __m128i b_start = b;
    const __m128i c_start = c;
    const __m128i d_start = d;

    // Round 1.
    step<F, 7>(a, b, c, d, x, 0, 0xd76aa478);
    step<F, 12>(d, a, b, c, x, 1, 0xe8c7b756);
    step<F, 17>(c, d, a, b, x, 2, 0x242070db);
    step<F, 22>(b, c, d, a, x, 3, 0xc1bdceee);
    step<F, 7>(a, b, c, d, x, 4, 0xf57c0faf);
    step<F, 12>(d, a, b, c, x, 5, 0x4787c62a);
    step<F, 17>(c, d, a, b, x, 6, 0xa8304613);
    step<F, 22>(b, c, d, a, x, 7, 0xfd469501);
    step<F, 7>(a, b, c, d, x, 8, 0x698098d8);
    step<F, 12>(d, a, b, c, x, 9, 0x8b44f7af);
    step<F, 17>(c, d, a, b, x, 10, 0xffff5bb1);
    step<F, 22>(b, c, d, a, x, 11, 0x895cd7be);
    step<F, 7>(a, b, c, d, x, 12, 0x6b901122);
    step<F, 12>(d, a, b, c, x, 13, 0xfd987193);
    step<F, 17>(c, d, a, b, x, 14, 0xa679438e);
    step<F, 22>(b, c, d, a, x, 15, 0x49b40821);

    // Round 2.
    step<G, 5>(a, b, c, d, x, 1, 0xf61e2562);
    step<G, 9>(d, a, b, c, x, 6, 0xc040b340);
    step<G, 14>(c, d, a, b, x, 11, 0x265e5a51);
    step<G, 20>(b, c, d, a, x, 0, 0xe9b6c7aa);
    step<G, 5>(a, b, c, d, x, 5, 0xd62f105d);
    step<G, 9>(d, a, b, c, x, 10, 0x02441453);
    step<G, 14>(c, d, a, b, x, 15, 0xd8a1e681);
    step<G, 20>(b, c, d, a, x, 4, 0xe7d3fbc8);
    step<G, 5>(a, b, c, d, x, 9, 0x21e1cde6);
    step<G, 9>(d, a, b, c, x, 14, 0xc33707d6);
    step<G, 14>(c, d, a, b, x, 3, 0xf4d50d87);
    step<G, 20>(b, c, d, a, x, 8, 0x455a14ed);
    step<G, 5>(a, b, c, d, x, 13, 0xa9e3e905);
    step<G, 9>(d, a, b, c, x, 2, 0xfcefa3f8);
    step<G, 14>(c, d, a, b, x, 7, 0x676f02d9);
    step<G, 20>(b, c, d, a, x, 12, 0x8d2a4c8a);

    // Round 3.
    step<H, 4>(a, b, c, d, x, 5, 0xfffa3942);
    step<H, 11>(d, a, b, c, x, 8, 0x8771f681);
    step<H, 16>(c, d, a, b, x, 11, 0x6d9d6122);
    step<H, 23>(b, c, d, a, x, 14, 0xfde5380c);
    step<H, 4>(a, b, c, d, x, 1, 0xa4beea44);
    step<H, 11>(d, a, b, c, x, 4, 0x4bdecfa9);
    step<H, 16>(c, d, a, b, x, 7, 0xf6bb4b60);
    step<H, 23>(b, c, d, a, x, 10, 0xbebfbc70);
    step<H, 4>(a, b, c, d, x, 13, 0x289b7ec6);
    step<H, 11>(d, a, b, c, x, 0, 0xeaa127fa);
    step<H, 16>(c, d, a, b, x, 3, 0xd4ef3085);
    step<H, 23>(b, c, d, a, x, 6, 0x04881d05);
    step<H, 4>(a, b, c, d, x, 9, 0xd9d4d039);
    step<H, 11>(d, a, b, c, x, 12, 0xe6db99e5);
    step<H, 16>(c, d, a, b, x, 15, 0x1fa27cf8);
    step<H, 23>(b, c, d, a, x, 2, 0xc4ac5665);

    // Round 4.
    step<I, 6>(a, b, c, d, x, 0, 0xf4292244);
    step<I, 10>(d, a, b, c, x, 7, 0x432aff97);
    step<I, 15>(c, d, a, b, x, 14, 0xab9423a7);
    step<I, 21>(b, c, d, a, x, 5, 0xfc93a039);
    step<I, 6>(a, b, c, d, x, 12, 0x655b59c3);
    step<I, 10>(d, a, b, c, x, 3, 0x8f0ccc92);
    step<I, 15>(c, d, a, b, x, 10, 0xffeff47d);
    step<I, 21>(b, c, d, a, x, 1, 0x85845dd1);
    step<I, 6>(a, b, c, d, x, 8, 0x6fa87e4f);
    step<I, 10>(d, a, b, c, x, 15, 0xfe2ce6e0);
    step<I, 15>(c, d, a, b, x, 6, 0xa3014314);
    step<I, 21>(b, c, d, a, x, 13, 0x4e0811a1);
    step<I, 6>(a, b, c, d, x, 4, 0xf7537e82);
    step<I, 10>(d, a, b, c, x, 11, 0xbd3af235);
    step<I, 15>(c, d, a, b, x, 2, 0x2ad7d2bb);
    step<I, 21>(b, c, d, a, x, 9, 0xeb86d391);

    a = _mm_add_epi32(a, a_start);
    b = _mm_add_epi32(b, b_start);
    c = _mm_add_epi32(c, c_start);
    d = _mm_add_epi32(d, d_start);
}

__m128i lane0(uint32_t word) {
    return _mm_cvtsi32_si128(static_cast<int>(word));
}

uint32_t from_lane0(__m128i vector) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(vector));
}

}  // namespace

AVX512_FUNCTION void md5_compress_avx512(uint32_t state[4], const uint8_t* first,
                                         const uint8_t* blocks, size_t count) {
    // The state is moved into registers once and back once at the end.
    __m128i a = lane0(state[0]);
    __m128i b = lane0(state[1]);
    __m128i c = lane0(state[2]);
    __m128i d = lane0(state[3]);

    if (first != nullptr) {
        compress_block(a, b, c, d, first);
    }
    for (; count > 0; count--, blocks += 64) {
        compress_block(a, b, c, d, blocks);
    }

    state[0] = from_lane0(a);
    state[1] = from_lane0(b);
    state[2] = from_lane0(c);
    state[3] = from_lane0(d);
}

#endif
