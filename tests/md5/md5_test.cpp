#include "md5/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::vector<Golden> golden_vectors() {
    std::vector<Golden> table = {
        // RFC 1321, appendix A.5.
        {"rfc_empty", text_bytes(""), "d41d8cd98f00b204e9800998ecf8427e"},
        {"rfc_a", text_bytes("a"), "0cc175b9c0f1b6a831c399e269772661"},
        {"rfc_abc", text_bytes("abc"), "900150983cd24fb0d6963f7d28e17f72"},
        {"rfc_message_digest", text_bytes("message digest"), "f96b697d7cb7938d525a2f31aaf161d0"},
        {"rfc_alphabet", text_bytes("abcdefghijklmnopqrstuvwxyz"),
         "c3fcd3d76192e4007dfb496cca67e13b"},
        {"rfc_alphanumeric",
         text_bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"rfc_digits",
         text_bytes("1234567890123456789012345678901234567890123456789012345678901234567890"
                    "1234567890"),
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    // Lengths around the padding boundaries, over the 251-byte pattern;
    // digests from an independent implementation.
    add_pattern_vectors(&table, {
                                    {55, "6912ee65fff2d9f9ce2508cddf8bcda0"},
                                    {56, "51fdd1acda72405dfdfa03fcb85896d7"},
                                    {57, "5320ef4c17ef34a0cf2db763338d25eb"},
                                    {63, "48a6295221902e8e0938f773a7185e72"},
                                    {64, "b2d3f56bc197fd985d5965079b5e7148"},
                                    {65, "8bd7053801c768420faf816fadba971c"},
                                    {119, "1c772251899a7ff007400b888d6b2042"},
                                    {120, "b7ba1efc6022e9ed272f00b8831e26e6"},
                                    {500, "07002923d687cd67b695e8c3bdaabff9"},
                                    {501, "eadaceb5d93bd3af77fe0e7014252193"},
                                    {1000, "a24f1e3ef66950e1327f210e3997ba2c"},
                                });
    return table;
}

class Md5Golden : public ::testing::TestWithParam<Golden> {};

TEST_P(Md5Golden, OneShotAndStreamedInPieces) {
    expect_one_shot_and_streamed(GetParam(), md5_hex);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Md5Golden, ::testing::ValuesIn(golden_vectors()),
                         [](const auto& p) { return p.param.name; });

TEST(Md5, EverySplitPointGivesTheOneShotDigest) {
    expect_every_split_point_agrees(md5_hex, md5_hex_split);
}

TEST(Md5, NoUpdateAndAZeroLengthUpdateBothGiveTheEmptyDigest) {
    Md5Context none;
    md5_init(&none);
    md5_final(&none);
    EXPECT_EQ(to_hex(none.digest, 16), "d41d8cd98f00b204e9800998ecf8427e");

    Md5Context zero;
    md5_init(&zero);
    md5_update(&zero, nullptr, 0);
    md5_final(&zero);
    EXPECT_EQ(to_hex(zero.digest, 16), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5, ZeroLengthUpdateLeavesTheRecordUnchanged) {
    Md5Context context;
    std::memset(&context, 0x5a, sizeof context);
    md5_init(&context);
    std::vector<uint8_t> message = pattern_bytes(70);
    md5_update(&context, message.data(), 70);
    Md5Context before = context;
    md5_update(&context, message.data(), 0);
    EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
}

TEST(Md5, LeftoversFromEarlierUseAreIgnoredAfterInit) {
    Md5Context dirty;
    std::memset(&dirty, 0xff, sizeof dirty);
    md5_init(&dirty);
    const uint8_t abc[] = {'a', 'b', 'c'};
    md5_update(&dirty, abc, 3);
    md5_final(&dirty);
    EXPECT_EQ(to_hex(dirty.digest, 16), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, RecordAfterFinalOnAbc) {
    Md5Context context;
    md5_init(&context);
    const uint8_t abc[] = {'a', 'b', 'c'};
    md5_update(&context, abc, 3);
    md5_final(&context);
    // 24 message bits and 53 padding bytes; the length itself is not counted.
    EXPECT_EQ(context.count_low, 448u);
    EXPECT_EQ(context.count_high, 0u);
    EXPECT_EQ(std::memcmp(context.input_block, "abc\x80", 4), 0);
    // The final chaining words are the digest, least significant byte first.
    EXPECT_EQ(context.state[0], 0x98500190u);
}

TEST(Md5, CountCarriesIntoTheHighWord) {
    Md5Context context;
    md5_init(&context);
    const uint8_t byte = 0x61;

    context.count_low = 0xFFFFFFF8u;  // 2^32 - 8 bits
    md5_update(&context, &byte, 1);
    EXPECT_EQ(context.count_low, 0u);
    EXPECT_EQ(context.count_high, 1u);

    context.count_low = 0xFFFFFFF0u;
    context.count_high = 0xFFFFFFFFu;  // the 64-bit count wraps
    md5_update(&context, &byte, 1);
    EXPECT_EQ(context.count_low, 0xFFFFFFF8u);
    EXPECT_EQ(context.count_high, 0xFFFFFFFFu);
    md5_update(&context, &byte, 1);
    EXPECT_EQ(context.count_low, 0u);
    EXPECT_EQ(context.count_high, 0u);
}

TEST(Md5, FinalAppendsTheCountFromBeforePadding) {
    // Absorbing 2^29 bytes is too slow for a unit test: set the count, then
    // check the final block carries it in words 14 (low) and 15 (high).
    Md5Context claimed;
    md5_init(&claimed);
    claimed.count_high = 1;  // 2^32 bits = 2^29 bytes absorbed, fill index 0
    md5_final(&claimed);

    // Build the same final block by hand: 0x80, zeros, then the bit count
    // 2^32 little-endian in bytes 56 to 63.
    uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    uint32_t words[16] = {0x80};
    words[15] = 1;
    md5_transform(state, words);
    EXPECT_EQ(std::memcmp(claimed.state, state, sizeof state), 0);
}

}  // namespace
