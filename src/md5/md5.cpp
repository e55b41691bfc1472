#include "md5/md5.h"

#include "common/byte_order.h"
#include "md5/md5_compress.h"

const uint8_t md5_padding[64] = {0x80};

namespace {

// The compression this run uses: AVX-512 where the rule in md5_select.cpp
// takes it, on Intel's processors, where it is measured faster (or wherever
// it runs, if the environment asks for it), else the portable compression.
using Chosen =
    ChosenAtFirstUse<md5_compression_by_rule, md5_runnable_compression, md5_compress_portable>;

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

    absorb_blocks(Chosen::compress, context->state, context->input_block, index, data, length);
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

    md5_decode_words(words, context->input_block, 14);
    md5_transform(context->state, words);

    for (size_t j = 0; j < 4; j++) {
        store32_le(context->digest + 4 * j, context->state[j]);
    }
}
