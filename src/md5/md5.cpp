#include "md5/md5.h"

#include <cstring>

const uint8_t md5_padding[64] = {0x80};

namespace {

uint32_t load32_le(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void store32_le(uint8_t* bytes, uint32_t word) {
    bytes[0] = static_cast<uint8_t>(word);
    bytes[1] = static_cast<uint8_t>(word >> 8);
    bytes[2] = static_cast<uint8_t>(word >> 16);
    bytes[3] = static_cast<uint8_t>(word >> 24);
}

// Decodes the first `count` little-endian words of the input block.
void decode_block(uint32_t* words, const uint8_t* block, size_t count) {
    for (size_t i = 0; i < count; i++) {
        words[i] = load32_le(block + 4 * i);
    }
}

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

void md5_init(Md5Context* context) {
    context->count_low = 0;
    context->count_high = 0;
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
}

void md5_update(Md5Context* context, const uint8_t* data, uint32_t length) {
    // The fill index is derived from the count as it stood before this call.
    uint32_t index = (context->count_low >> 3) & 63;

    // Advance the 64-bit bit count by 8 * length, carrying into the high word.
    uint32_t new_low = context->count_low + (length << 3);
    if (new_low < context->count_low) {
        context->count_high++;
    }
    context->count_high += length >> 29;
    context->count_low = new_low;

    // Every block is gathered in input_block and compressed from there.
    while (length > 0) {
        uint32_t room = 64 - index;
        uint32_t take = length < room ? length : room;
        std::memcpy(context->input_block + index, data, take);
        index += take;
        data += take;
        length -= take;
        if (index == 64) {
            uint32_t words[16];
            decode_block(words, context->input_block, 16);
            md5_transform(context->state, words);
            index = 0;
        }
    }
}

void md5_final(Md5Context* context) {
    // The message length in bits, before padding, goes into words 14 and 15.
    uint32_t words[16];
    words[14] = context->count_low;
    words[15] = context->count_high;

    // Padding. Add a 1 bit and 0 bits until 56 bytes mod 64.
    uint32_t index = (context->count_low >> 3) & 63;
    uint32_t pad_length = index < 56 ? 56 - index : 120 - index;
    md5_update(context, md5_padding, pad_length);

    decode_block(words, context->input_block, 14);
    md5_transform(context->state, words);

    for (size_t j = 0; j < 4; j++) {
        store32_le(context->digest + 4 * j, context->state[j]);
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
