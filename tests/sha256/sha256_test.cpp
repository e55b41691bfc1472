#include "sha256/sha256.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sha256/sha256_compress.h"
#include "sha256/sha256_model.h"
#include "test_support.h"

namespace {

// A digest made before main, by this file's initializer, which may run
// before any of the engine's own: the engine must be ready all the same.
const std::string abc_before_main = sha256_hex(text_bytes("abc"));

TEST(Sha256, DigestMadeBeforeMain) {
    EXPECT_EQ(abc_before_main, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

std::vector<Golden> golden_vectors() {
    std::vector<Golden> table = {
        // FIPS 180-2, appendix B, and the empty message.
        {"empty", text_bytes(""),
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"fips_abc", text_bytes("abc"),
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"fips_two_blocks", text_bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"fips_million_a", std::vector<uint8_t>(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    // Lengths around the padding boundaries, over the 251-byte pattern;
    // digests from an independent implementation.
    add_pattern_vectors(
        &table, {
                    {55, "463eb28e72f82e0a96c0a4cc53690c571281131f672aa229e0d45ae59b598b59"},
                    {56, "da2ae4d6b36748f2a318f23e7ab1dfdf45acdc9d049bd80e59de82a60895f562"},
                    {57, "2fe741af801cc238602ac0ec6a7b0c3a8a87c7fc7d7f02a3fe03d1c12eac4d8f"},
                    {63, "29af2686fd53374a36b0846694cc342177e428d1647515f078784d69cdb9e488"},
                    {64, "fdeab9acf3710362bd2658cdc9a29e8f9c757fcf9811603a8c447cd1d9151108"},
                    {65, "4bfd2c8b6f1eec7a2afeb48b934ee4b2694182027e6d0fc075074f2fabb31781"},
                    {119, "da18797ed7c3a777f0847f429724a2d8cd5138e6ed2895c3fa1a6d39d18f7ec6"},
                    {120, "f52b23db1fbb6ded89ef42a23ce0c8922c45f25c50b568a93bf1c075420bbb7c"},
                    {500, "f6b8396506ad2ac31bfe6d73fa0155e090b62b4321043dafe308090296b28d84"},
                    {501, "8487c34a09a9c72b248f1e87c7acbd388e89de931c8f9f8cce82d5d73ae5b6b6"},
                    {1000, "4e4c294b331f7a2099a379bec34b9f9fc03dc46ab465d998f4d683da53487e6d"},
                });
    return table;
}

class Sha256Golden : public ::testing::TestWithParam<Golden> {};

TEST_P(Sha256Golden, OneShotAndStreamedInPieces) {
    expect_one_shot_and_streamed(GetParam(), sha256_hex);
}

#ifdef BRINDLEX_REQUIRE_HARDWARE_SHA256
constexpr bool hardware_required = true;
#else
constexpr bool hardware_required = false;
#endif

// The processor's compression. Where there is none, a build that requires it
// records a failure, which outweighs the caller's skip.
Sha256Compression hardware_compression_or_failure() {
    Sha256Compression hardware = sha256_hardware_compression();
    if (hardware == nullptr && hardware_required) {
        ADD_FAILURE() << "this build must find the processor's SHA instructions";
    }
    return hardware;
}

// The digest computed with one compression alone: the message padded in the
// test, all its blocks compressed from H(0) in one run.
std::string digest_with(Sha256Compression compress, const std::vector<uint8_t>& message) {
    std::vector<uint8_t> blocks = padded(message, true);
    Sha256Context context;
    sha256_init(&context);
    compress(context.state, nullptr, blocks.data(), blocks.size() / 64);
    uint8_t digest[32];
    for (size_t i = 0; i < 32; i++) {
        digest[i] = static_cast<uint8_t>(context.state[i / 4] >> (24 - 8 * (i % 4)));
    }
    return to_hex(digest, 32);
}

TEST_P(Sha256Golden, PortableCompressionGivesTheDigest) {
    EXPECT_EQ(digest_with(sha256_compress_portable, GetParam().message), GetParam().digest);
}

TEST_P(Sha256Golden, HardwareCompressionGivesTheDigest) {
    Sha256Compression hardware = hardware_compression_or_failure();
    if (hardware == nullptr) {
        GTEST_SKIP() << "no SHA instructions on this processor, or none in this build";
    }
    EXPECT_EQ(digest_with(hardware, GetParam().message), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Sha256Golden, ::testing::ValuesIn(golden_vectors()),
                         [](const auto& p) { return p.param.name; });

TEST(Sha256, EverySplitPointGivesTheOneShotDigest) {
    expect_every_split_point_agrees(sha256_hex, sha256_hex_split);
}

// A CPU check that loses the SHA instructions leaves every digest right and
// the program four times slower; one that finds them where there are none
// crashes. Compare the choice with the compiler's own check.
TEST(Sha256, HardwareCompressionChosenExactlyWhereTheProcessorHasIt) {
#ifdef BRINDLEX_CHECK_X86_CHOICE
    bool has_sha = __builtin_cpu_supports("sha") && __builtin_cpu_supports("ssse3");
    EXPECT_EQ(sha256_hardware_compression() != nullptr,
              BRINDLEX_HARDWARE_SHA256_BUILT != 0 && has_sha);
#else
    GTEST_SKIP() << "the compiler's own CPU check is used with GCC on x86-64 only";
#endif
}

TEST(Sha256, HardwareCompressionMatchesThePortableOneOnRandomRuns) {
    Sha256Compression hardware = hardware_compression_or_failure();
    if (hardware == nullptr) {
        GTEST_SKIP() << "no SHA instructions on this processor, or none in this build";
    }
    expect_same_state_after_random_runs(sha256_compress_portable, hardware, 8);
}

// Whichever compression runs, and however it takes the blocks, the whole
// record after every update is the one the plain byte-by-byte update leaves:
// the count, the fill and all 64 bytes of input_block, leftovers included.
TEST(Sha256, RecordAfterEachUpdateMatchesTheByteByByteUpdate) {
    hardware_compression_or_failure();
    std::vector<uint8_t> message = pattern_bytes(64 + 8000);
    for (uint32_t fill : {0u, 1u, 52u, 63u}) {
        for (uint32_t length : {63u, 64u, 65u, 7u * 64, 500u, 8000u}) {
            Sha256Context engine;
            std::memset(&engine, 0x5a, sizeof engine);
            sha256_init(&engine);
            Sha256Context model = engine;
            std::vector<uint8_t> fed;
            for (uint32_t piece : {fill, length, length}) {
                // The later pieces start one byte on, so that no two blocks repeat.
                const uint8_t* data = message.data() + (fed.empty() ? 0 : fill + 1);
                sha256_update(&engine, data, piece);
                sha256_model_update(&model, data, piece);
                fed.insert(fed.end(), data, data + piece);
                ASSERT_EQ(to_hex(reinterpret_cast<const uint8_t*>(&engine), sizeof engine),
                          to_hex(reinterpret_cast<const uint8_t*>(&model), sizeof model))
                    << "fill " << fill << ", then " << length << " bytes";
            }
            uint8_t digest[32];
            sha256_final(&engine, digest);
            EXPECT_EQ(to_hex(digest, 32), digest_with(sha256_compress_portable, fed));
        }
    }
}

TEST(Sha256, NoUpdateAndAZeroLengthUpdateBothGiveTheEmptyDigest) {
    const char* empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    uint8_t digest[32];
    Sha256Context none;
    sha256_init(&none);
    sha256_final(&none, digest);
    EXPECT_EQ(to_hex(digest, 32), empty);

    Sha256Context zero;
    sha256_init(&zero);
    sha256_update(&zero, nullptr, 0);
    sha256_final(&zero, digest);
    EXPECT_EQ(to_hex(digest, 32), empty);
}

TEST(Sha256, ZeroLengthUpdateLeavesTheRecordUnchanged) {
    Sha256Context context;
    std::memset(&context, 0x5a, sizeof context);
    sha256_init(&context);
    std::vector<uint8_t> message = pattern_bytes(70);
    sha256_update(&context, message.data(), 70);
    Sha256Context before = context;
    sha256_update(&context, message.data(), 0);
    EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
}

TEST(Sha256, LeftoversFromEarlierUseAreIgnoredAfterInit) {
    Sha256Context dirty;
    std::memset(&dirty, 0xff, sizeof dirty);
    sha256_init(&dirty);
    const uint8_t abc[] = {'a', 'b', 'c'};
    uint8_t digest[32];
    sha256_update(&dirty, abc, 3);
    sha256_final(&dirty, digest);
    EXPECT_EQ(to_hex(digest, 32),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// sha256_final does not clear the record: block_fill keeps the bytes that
// were waiting, the count the message's bits, input_block the last padded
// block with the length, state the digest. abc leaves 3 bytes and one padded
// block; 60 bytes leave 60, and the length goes in a second block of zeros.
TEST(Sha256, RecordAfterFinal) {
    for (uint32_t length : {3u, 60u}) {
        std::vector<uint8_t> message = length == 3 ? text_bytes("abc") : pattern_bytes(length);
        Sha256Context context;
        uint8_t digest[32];
        sha256_init(&context);
        sha256_update(&context, message.data(), length);
        sha256_final(&context, digest);
        uint8_t expected_block[64] = {};
        if (length < 56) {
            std::memcpy(expected_block, message.data(), length);
            expected_block[length] = 0x80;
        }
        expected_block[62] = static_cast<uint8_t>(length * 8 >> 8);
        expected_block[63] = static_cast<uint8_t>(length * 8);
        EXPECT_EQ(context.block_fill, length);
        EXPECT_EQ(context.count_low, length * 8);
        EXPECT_EQ(context.count_high, 0u);
        EXPECT_EQ(to_hex(context.input_block, 64), to_hex(expected_block, 64));
        uint32_t first_word = 0;
        for (size_t i = 0; i < 4; i++) {
            first_word = first_word << 8 | static_cast<uint32_t>(digest[i]);
        }
        EXPECT_EQ(context.state[0], first_word);
    }
}

TEST(Sha256, CountAdvancesPerCompressedBlockWithCarry) {
    struct {
        uint32_t low_before, high_before, low_after, high_after;
    } cases[] = {
        {0xFFFFFE00u, 0, 0, 1},            // 2^32 - 512 carries
        {0xFFFFFC00u, 7, 0xFFFFFE00u, 7},  // 2^32 - 1024 does not
        {0xFFFFFE00u, 0xFFFFFFFFu, 0, 0},  // the high word wraps
    };
    std::vector<uint8_t> block = pattern_bytes(64);
    for (const auto& c : cases) {
        Sha256Context context;
        sha256_init(&context);
        sha256_update(&context, block.data(), 63);  // waiting bytes are not counted
        EXPECT_EQ(context.count_low, 0u);
        context.count_low = c.low_before;
        context.count_high = c.high_before;
        sha256_update(&context, block.data(), 1);
        EXPECT_EQ(context.count_low, c.low_after);
        EXPECT_EQ(context.count_high, c.high_after);
        EXPECT_EQ(context.block_fill, 0u);
    }
}

TEST(Sha256, FinalWritesTheLengthHighWordFirst) {
    // 2^29 bytes absorbed, set directly: the length field must read 2^32 bits.
    Sha256Context context;
    uint8_t digest[32];
    sha256_init(&context);
    context.count_high = 1;
    const uint8_t byte = 0x61;
    sha256_update(&context, &byte, 1);
    sha256_final(&context, digest);
    EXPECT_EQ(context.count_high, 1u);
    EXPECT_EQ(context.count_low, 8u);
    const uint8_t length_field[8] = {0, 0, 0, 1, 0, 0, 0, 8};
    EXPECT_EQ(to_hex(context.input_block + 56, 8), to_hex(length_field, 8));
}

}  // namespace
