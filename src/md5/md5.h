// MD5 message digest (RFC 1321): a record owned by the caller and the
// operations that start, feed and finish it.
#pragma once

#include <cstdint>

struct Md5Context {
    uint32_t count_low;       // low word of the number of message bits absorbed
    uint32_t count_high;      // high word of that number
    uint32_t state[4];        // chaining words A, B, C, D
    uint8_t input_block[64];  // bytes of the current block not yet compressed
    uint8_t digest[16];       // the result, written by md5_final only
};

// 0x80 followed by 63 zero bytes: md5_final takes 1 to 64 bytes of it.
extern const uint8_t md5_padding[64];

void md5_init(Md5Context* context);
void md5_update(Md5Context* context, const uint8_t* data, uint32_t length);
void md5_final(Md5Context* context);
void md5_transform(uint32_t state[4], const uint32_t words[16]);
