// md5_update written the plain way, as a yardstick for the engine's record:
// the count advanced first, then one byte at a time into input_block, each
// full block decoded and compressed from there by md5_transform.
#pragma once

#include <cstdint>

#include "md5/md5.h"
#include "md5/md5_compress.h"

inline void md5_model_update(Md5Context* context, const uint8_t* data, uint32_t length) {
    uint32_t index = (context->count_low >> 3) & 63;
    uint32_t new_low = context->count_low + (length << 3);
    if (new_low < context->count_low) {
        context->count_high++;
    }
    context->count_high += length >> 29;
    context->count_low = new_low;
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
