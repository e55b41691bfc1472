#include "md5/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "md5/md5_compress.h"
#include "md5/md5_model.h"
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

// The digest computed with one compression alone: the message padded in the
// test, all its blocks compressed from the initial state in one run.
std::string digest_with(Md5Compression compress, const std::vector<uint8_t>& message) {
    std::vector<uint8_t> blocks = padded(message, false);
    Md5Context context;
    md5_init(&context);
    compress(context.state, nullptr, blocks.data(), blocks.size() / 64);
    uint8_t digest[16];
    for (size_t i = 0; i < 16; i++) {
        digest[i] = static_cast<uint8_t>(context.state[i / 4] >> (8 * (i % 4)));
    }
    return to_hex(digest, 16);
}

// The AVX-512 compression is tested wherever it can run, chosen or not.
constexpr const char* no_avx512 =
    "no AVX-512 on this processor or in its saved register state, or none in this build";

TEST_P(Md5Golden, PortableCompressionGivesTheDigest) {
    EXPECT_EQ(digest_with(md5_compress_portable, GetParam().message), GetParam().digest);
}

TEST_P(Md5Golden, Avx512CompressionGivesTheDigest) {
    Md5Compression avx512 = md5_runnable_compression();
    if (avx512 == nullptr) {
        GTEST_SKIP() << no_avx512;
    }
    EXPECT_EQ(digest_with(avx512, GetParam().message), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Md5Golden, ::testing::ValuesIn(golden_vectors()),
                         [](const auto& p) { return p.param.name; });

TEST(Md5, EverySplitPointGivesTheOneShotDigest) {
    expect_every_split_point_agrees(md5_hex, md5_hex_split);
}

// A rule that loses AVX-512 leaves every digest right and MD5 slower; one
// that takes it where the system does not save its registers corrupts
// digests at random; one that takes it on AMD's processors makes MD5
// slower there (by a fifth on Zen 4, by half on Zen 5). CPUID's values for
// each kind of processor.
TEST(Md5, Avx512ChosenWhereItRunsAndIsFaster) {
    const uint32_t xsave = 1u << 27;            // leaf 1 ECX: OSXSAVE
    const uint32_t f_vl = 1u << 16 | 1u << 31;  // leaf 7 EBX: AVX512F and AVX512VL
    const uint64_t zmm = 0xe7;                  // XCR0: x87, SSE, AVX, opmask, both upper halves
    struct Case {
        const char* name;
        const char* vendor;
        uint32_t max_leaf, leaf1_eax, leaf1_ecx, leaf7_ebx;
        uint64_t xcr0;
        bool runs, chosen;
    } cases[] = {
        {"Intel Xeon, Ice Lake", "GenuineIntel", 0x1b, 0x606a6, xsave, f_vl, zmm, true, true},
        {"Intel Xeon, Sapphire Rapids", "GenuineIntel", 0x20, 0x806f8, xsave, f_vl, 0x2e7, true,
         true},
        {"Intel, highest leaf 7", "GenuineIntel", 7, 0x606a6, xsave, f_vl, zmm, true, true},
        {"AMD Zen 4, EPYC 9004", "AuthenticAMD", 0x10, 0xa10f11, xsave, f_vl, zmm, true, false},
        {"AMD Zen 4, Ryzen 7000", "AuthenticAMD", 0x10, 0xa60f12, xsave, f_vl, zmm, true, false},
        {"AMD Zen 5, EPYC 9005", "AuthenticAMD", 0x10, 0xb00f21, xsave, f_vl, zmm, true, false},
        {"AMD Zen 3, no AVX-512", "AuthenticAMD", 0x10, 0xa00f11, xsave, 0x219c91a9, 0x7, false,
         false},
        {"Xeon Phi, F without VL", "GenuineIntel", 0xd, 0x50671, xsave, 1u << 16, zmm, false,
         false},
        {"Intel, XGETBV off", "GenuineIntel", 0x1b, 0x606a6, 0, f_vl, 0, false, false},
        {"Intel, no AVX-512 state saved", "GenuineIntel", 0x1b, 0x606a6, xsave, f_vl, 0x7, false,
         false},
        {"Intel, opmasks alone saved", "GenuineIntel", 0x1b, 0x606a6, xsave, f_vl, 0x27, false,
         false},
        {"Intel, no leaf 7", "GenuineIntel", 6, 0x606a6, xsave, f_vl, zmm, false, false},
        {"another vendor", "CentaurHauls", 0x1b, 0x706f1, xsave, f_vl, zmm, true, false},
    };
    for (const Case& c : cases) {
        X86Cpuid cpu = {};
        std::snprintf(cpu.vendor, sizeof cpu.vendor, "%s", c.vendor);
        cpu.max_leaf = c.max_leaf;
        cpu.leaf1_eax = c.leaf1_eax;
        cpu.leaf1_ecx = c.leaf1_ecx;
        cpu.leaf7_ebx = c.leaf7_ebx;
        cpu.xcr0 = c.xcr0;
        EXPECT_EQ(md5_avx512_runs_on(cpu), c.runs) << c.name;
        EXPECT_EQ(md5_avx512_chosen_on(cpu), c.chosen) << c.name;
    }
}

// The registers read on this processor, each field the rule uses against
// the compiler's own reading of it, and which compression the rule chooses
// here. CI runs this under processor models at the edges: the highest leaf
// 1, 6 or 7, XSAVE off, XSAVE without XGETBV's second register.
TEST(Md5, CompressionChosenOnThisProcessor) {
#ifdef BRINDLEX_CHECK_X86_CHOICE
    bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    EXPECT_EQ(md5_runnable_compression() != nullptr, BRINDLEX_HARDWARE_MD5_BUILT != 0 && avx512);
#if BRINDLEX_HARDWARE_MD5_BUILT
    X86Cpuid cpu = md5_read_cpuid();
    bool intel = __builtin_cpu_is("intel");
    bool amd = __builtin_cpu_is("amd");
    EXPECT_EQ(std::strcmp(cpu.vendor, "GenuineIntel") == 0, intel) << cpu.vendor;
    EXPECT_EQ(std::strcmp(cpu.vendor, "AuthenticAMD") == 0, amd) << cpu.vendor;
    const struct {
        uint32_t family;
        int is;
    } amd_families[] = {{0x10, __builtin_cpu_is("amdfam10h")},
                        {0x15, __builtin_cpu_is("amdfam15h")},
                        {0x17, __builtin_cpu_is("amdfam17h")},
                        {0x19, __builtin_cpu_is("amdfam19h")}};
    for (const auto& family : amd_families) {
        EXPECT_EQ(amd && x86_family(cpu) == family.family, family.is != 0)
            << "family " << x86_family(cpu) << " against " << family.family;
    }
    // Leaf 1 ECX and leaf 7 EBX: a bit of each that GCC reads from CPUID
    // alone (SSE3, BMI2), and AVX-512 F and VL, which GCC reports where the
    // system also saves their registers.
    const uint64_t zmm_state = 0xe6;
    bool saved = (cpu.leaf1_ecx & 1u << 27) != 0 && (cpu.xcr0 & zmm_state) == zmm_state;
    const struct {
        const char* name;
        bool read, is;
    } bits[] = {{"SSE3", (cpu.leaf1_ecx & 1u) != 0, __builtin_cpu_supports("sse3") != 0},
                {"BMI2", (cpu.leaf7_ebx & 1u << 8) != 0, __builtin_cpu_supports("bmi2") != 0},
                {"AVX512F", saved && (cpu.leaf7_ebx & 1u << 16) != 0,
                 __builtin_cpu_supports("avx512f") != 0},
                {"AVX512VL", saved && (cpu.leaf7_ebx & 1u << 31) != 0,
                 __builtin_cpu_supports("avx512vl") != 0}};
    for (const auto& bit : bits) {
        EXPECT_EQ(bit.read, bit.is) << bit.name << ", highest leaf " << cpu.max_leaf;
    }
    EXPECT_EQ(md5_compression_by_rule() != nullptr, avx512 && intel);
    std::printf("Processor checked: %s, family %02xh, highest leaf %u, AVX-512 F and VL %s\n",
                cpu.vendor, x86_family(cpu), cpu.max_leaf, avx512 ? "present" : "absent");
#endif
#endif
    if (md5_compression_by_rule() != nullptr) {
        EXPECT_NE(md5_runnable_compression(), nullptr);
    }
    std::printf("MD5 compression chosen on this processor: %s\n",
                md5_compression_by_rule() != nullptr ? "AVX-512" : "portable");
}

TEST(Md5, Avx512CompressionMatchesThePortableOneOnRandomRuns) {
    Md5Compression avx512 = md5_runnable_compression();
    if (avx512 == nullptr) {
        GTEST_SKIP() << no_avx512;
    }
    expect_same_state_after_random_runs(md5_compress_portable, avx512, 4);
}

// Whichever compression runs, and however it takes the blocks, the whole
// record after every update is the one the plain byte-by-byte update leaves:
// the count, the state and all 64 bytes of input_block, leftovers included.
TEST(Md5, RecordAfterEachUpdateMatchesTheByteByByteUpdate) {
    std::vector<uint8_t> message = pattern_bytes(64 + 8000);
    for (uint32_t fill : {0u, 1u, 52u, 63u}) {
        for (uint32_t length : {63u, 64u, 65u, 7u * 64, 500u, 8000u}) {
            Md5Context engine;
            std::memset(&engine, 0x5a, sizeof engine);
            md5_init(&engine);
            Md5Context model = engine;
            std::vector<uint8_t> fed;
            for (uint32_t piece : {fill, length, length}) {
                // The later pieces start one byte on, so that no two blocks repeat.
                const uint8_t* data = message.data() + (fed.empty() ? 0 : fill + 1);
                md5_update(&engine, data, piece);
                md5_model_update(&model, data, piece);
                fed.insert(fed.end(), data, data + piece);
                ASSERT_EQ(to_hex(reinterpret_cast<const uint8_t*>(&engine), sizeof engine),
                          to_hex(reinterpret_cast<const uint8_t*>(&model), sizeof model))
                    << "fill " << fill << ", then " << length << " bytes";
            }
            md5_final(&engine);
            EXPECT_EQ(to_hex(engine.digest, 16), digest_with(md5_compress_portable, fed));
        }
    }
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
