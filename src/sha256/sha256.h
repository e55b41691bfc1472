// SHA-256 message digest (FIPS 180-2): a record owned by the caller and the
// operations that start, feed and finish it.
#pragma once

#include <cstdint>

struct Sha256Context {
    uint8_t input_block[64];  // bytes of the current block not yet compressed
    uint32_t block_fill;      // how many bytes wait in input_block (0 to 63)
    uint32_t count_low;       // low word of the bit count of compressed blocks
    uint32_t count_high;      // high word of that count
    uint32_t state[8];        // chaining words H0 to H7
};

// K0 to K63: the first 32 bits of the fractional parts of the cube roots of
// the first 64 primes.
extern const uint32_t sha256_round_constants[64];

void sha256_init(Sha256Context* context);
void sha256_update(Sha256Context* context, const uint8_t* data, uint32_t length);
void sha256_final(Sha256Context* context, uint8_t digest[32]);
void sha256_transform(Sha256Context* context, const uint8_t block[64]);
