// md5_update written the plain way, as a yardstick for the engine's record:
// the bit count kept as one 64-bit number, then one byte at a time into
// input_block, each full block decoded and compressed from there by
// md5_transform.
#pragma once

#include <cstdint>

#include "md5/md5.h"
#include "md5/md5_compress.h"

inline void md5_model_update(Md5Context* context, const uint8_t* data, uint32_t length) {
    uint64_t bits = static_cast<uint64_t>(context->count_high) << 32 | context->count_low;
    uint32_t index = static_cast<uint32_t>(bits / 8 % 64);
    bits += static_cast<uint64_t>(length) * 8;  // modulo 2^64, as the count is kept
    context->count_low = static_cast<uint32_t>(bits);
    context->count_high = static_cast<uint32_t>(bits >> 32);
    for (uint32_t i = 0; i < length; i++) {
        context->input_block[index++] = data[i];
        if (index == 64) {
            uint32_t words[16];
            md5_decode_words(words, context->input_block, 16);
            md5_transform(context->state, words);
            index = 0;
        }
    }
}
