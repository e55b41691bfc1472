#include <cstddef>

#include "common/byte_order.h"
#include "md5/md5.h"
#include "md5/md5_compress.h"

namespace {

uint32_t rotl32(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// One step of each round: a = b + ((a + f(b, c, d) + x + t) <<< s). The sum
// that does not depend on b is formed first, so that b, the value computed by
// the previous step, enters as late as possible.
void step_f(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += d ^ (b & (c ^ d));
    a = rotl32(a, s) + b;
}

void step_g(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t + (c & ~d);
    a += b & d;
    a = rotl32(a, s) + b;
}

void step_h(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += b ^ c ^ d;
    a = rotl32(a, s) + b;
}

void step_i(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += c ^ (b | ~d);
    a = rotl32(a, s) + b;
}

}  // namespace

void md5_decode_words(uint32_t* words, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; i++) {
        words[i] = load32_le(bytes + 4 * i);
    }
}

// The compression function of RFC 1321, section 3.4. The additive constants
// are T[i] = floor(2^32 * abs(sin(i))).
void md5_transform(uint32_t state[4], const uint32_t x[16]) {
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];

    // Round 1.
    step_f(a, b, c, d, x[0], 0xd76aa478, 7);
    step_f(d, a, b, c, x[1], 0xe8c7b756, 12);
    step_f(c, d, a, b, x[2], 0x242070db, 17);
    step_f(b, c, d, a, x[3], 0xc1bdceee, 22);
    step_f(a, b, c, d, x[4], 0xf57c0faf, 7);
    step_f(d, a, b, c, x[5], 0x4787c62a, 12);
    step_f(c, d, a, b, x[6], 0xa8304613, 17);
    step_f(b, c, d, a, x[7], 0xfd469501, 22);
    step_f(a, b, c, d, x[8], 0x698098d8, 7);
    step_f(d, a, b, c, x[9], 0x8b44f7af, 12);
    step_f(c, d, a, b, x[10], 0xffff5bb1, 17);
    step_f(b, c, d, a, x[11], 0x895cd7be, 22);
    step_f(a, b, c, d, x[12], 0x6b901122, 7);
    step_f(d, a, b, c, x[13], 0xfd987193, 12);
    step_f(c, d, a, b, x[14], 0xa679438e, 17);
    step_f(b, c, d, a, x[15], 0x49b40821, 22);

    // Round 2.
    step_g(a, b, c, d, x[1], 0xf61e2562, 5);
    step_g(d, a, b, c, x[6], 0xc040b340, 9);
    step_g(c, d, a, b, x[11], 0x265e5a51, 14);
    step_g(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    step_g(a, b, c, d, x[5], 0xd62f105d, 5);
    step_g(d, a, b, c, x[10], 0x02441453, 9);
    step_g(c, d, a, b, x[15], 0xd8a1e681, 14);
    step_g(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    step_g(a, b, c, d, x[9], 0x21e1cde6, 5);
    step_g(d, a, b, c, x[14], 0xc33707d6, 9);
    step_g(c, d, a, b, x[3], 0xf4d50d87, 14);
    step_g(b, c, d, a, x[8], 0x455a14ed, 20);
    step_g(a, b, c, d, x[13], 0xa9e3e905, 5);
    step_g(d, a, b, c, x[2], 0xfcefa3f8, 9);
    step_g(c, d, a, b, x[7], 0x676f02d9, 14);
    step_g(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    // Round 3.
    step_h(a, b, c, d, x[5], 0xfffa3942, 4);
    step_h(d, a, b, c, x[8], 0x8771f681, 11);
    step_h(c, d, a, b, x[11], 0x6d9d6122, 16);
    step_h(b, c, d, a, x[14], 0xfde5380c, 23);
    step_h(a, b, c, d, x[1], 0xa4beea44, 4);
    step_h(d, a, b, c, x[4], 0x4bdecfa9, 11);
    step_h(c, d, a, b, x[7], 0xf6bb4b60, 16);
    step_h(b, c, d, a, x[10], 0xbebfbc70, 23);
    step_h(a, b, c, d, x[13], 0x289b7ec6, 4);
    step_h(d, a, b, c, x[0], 0xeaa127fa, 11);
    step_h(c, d, a, b, x[3], 0xd4ef3085, 16);
    step_h(b, c, d, a, x[6], 0x04881d05, 23);
    step_h(a, b, c, d, x[9], 0xd9d4d039, 4);
    step_h(d, a, b, c, x[12], 0xe6db99e5, 11);
    step_h(c, d, a, b, x[15], 0x1fa27cf8, 16);
    step_h(b, c, d, a, x[2], 0xc4ac5665, 23);

    // Round 4.
    step_i(a, b, c, d, x[0], 0xf4292244, 6);
    step_i(d, a, b, c, x[7], 0x432aff97, 10);
    step_i(c, d, a, b, x[14], 0xab9423a7, 15);
    step_i(b, c, d, a, x[5], 0xfc93a039, 21);
    step_i(a, b, c, d, x[12], 0x655b59c3, 6);
    step_i(d, a, b, c, x[3], 0x8f0ccc92, 10);
    step_i(c, d, a, b, x[10], 0xffeff47d, 15);
    step_i(b, c, d, a, x[1], 0x85845dd1, 21);
    step_i(a, b, c, d, x[8], 0x6fa87e4f, 6);
    step_i(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    step_i(c, d, a, b, x[6], 0xa3014314, 15);
    step_i(b, c, d, a, x[13], 0x4e0811a1, 21);
    step_i(a, b, c, d, x[4], 0xf7537e82, 6);
    step_i(d, a, b, c, x[11], 0xbd3af235, 10);
    step_i(c, d, a, b, x[2], 0x2ad7d2bb, 15);
    step_i(b, c, d, a, x[9], 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void md5_compress_portable(uint32_t state[4], const uint8_t* first, const uint8_t* blocks,
                           size_t count) {
    uint32_t words[16];
    if (first != nullptr) {
        md5_decode_words(words, first, 16);
        md5_transform(state, words);
    }
    for (; count > 0; count--, blocks += 64) {
        md5_decode_words(words, blocks, 16);
        md5_transform(state, words);
    }
}
