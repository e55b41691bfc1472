#include <cstddef>

#include "common/byte_order.h"
#include "sha256/sha256.h"
#include "sha256/sha256_compress.h"

namespace {

uint32_t rotr32(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

uint32_t small_sigma0(uint32_t x) {
    return rotr32(x, 7) ^ rotr32(x, 18) ^ (x >> 3);
}
uint32_t small_sigma1(uint32_t x) {
    return rotr32(x, 17) ^ rotr32(x, 19) ^ (x >> 10);
}
uint32_t big_sigma0(uint32_t x) {
    return rotr32(x, 2) ^ rotr32(x, 13) ^ rotr32(x, 22);
}
uint32_t big_sigma1(uint32_t x) {
    return rotr32(x, 6) ^ rotr32(x, 11) ^ rotr32(x, 25);
}
uint32_t choose(uint32_t e, uint32_t f, uint32_t g) {
    return g ^ (e & (f ^ g));
}

// One compression, FIPS 180-2's steps in order.
void compress_block(uint32_t state[8], const uint8_t block[64]) {
    // The message schedule, whole, before the first round.
    uint32_t w[64];
    for (size_t t = 0; t < 16; t++) {
        w[t] = load32_be(block + 4 * t);
    }
#pragma GCC unroll 48
    for (size_t t = 16; t < 64; t++) {
        w[t] = small_sigma1(w[t - 2]) + w[t - 7] + small_sigma0(w[t - 15]) + w[t - 16];
    }

    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    uint32_t e = state[4];
    uint32_t f = state[5];
    uint32_t g = state[6];
    uint32_t h = state[7];

    // Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)), and this round's b ^ c is the
    // previous round's a ^ b: carrying it saves an operation per round.
    uint32_t b_xor_c = b ^ c;
#pragma GCC unroll 64
    for (size_t t = 0; t < 64; t++) {
        uint32_t t1 = h + sha256_round_constants[t] + w[t] + big_sigma1(e) + choose(e, f, g);
        uint32_t a_xor_b = a ^ b;
        uint32_t t2 = big_sigma0(a) + (b ^ (a_xor_b & b_xor_c));
        b_xor_c = a_xor_b;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

}  // namespace

void sha256_compress_portable(uint32_t state[8], const uint8_t* first, const uint8_t* blocks,
                              size_t count) {
    if (first != nullptr) {
        compress_block(state, first);
    }
    for (; count > 0; count--, blocks += 64) {
        compress_block(state, blocks);
    }
}
