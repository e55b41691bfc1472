// sha256_update written the plain way, as a yardstick for the engine's
// record: one byte at a time into input_block, each full block compressed
// from there by the portable compression, the count advanced per block.
#pragma once

#include <cstdint>

#include "sha256/sha256.h"
#include "sha256/sha256_compress.h"

inline void sha256_model_update(Sha256Context* context, const uint8_t* data, uint32_t length) {
    for (uint32_t i = 0; i < length; i++) {
        context->input_block[context->block_fill++] = data[i];
        if (context->block_fill == 64) {
            sha256_compress_portable(context->state, context->input_block, nullptr, 0);
            if (context->count_low > 0xFFFFFDFFu) {
                context->count_high++;
            }
            context->count_low += 512;
            context->block_fill = 0;
        }
    }
}
