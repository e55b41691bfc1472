// The SHA-256 compressions behind sha256_transform and sha256_update, each a
// Compression of the eight chaining words H0 to H7.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/compression.h"

// Which processor-specific compressions this compiler builds for this target.
// clang before 16 declares the ARMv8 SHA-2 intrinsics only where the target's
// defaults include them (as on Apple's processors), not per function.
#if defined(__x86_64__)
#define BRINDLEX_SHA256_X86 1
#endif
#if defined(__aarch64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ &&            \
    (!defined(__clang__) || __clang_major__ >= 16 || defined(__ARM_FEATURE_SHA2) || \
     defined(__ARM_FEATURE_CRYPTO))
#define BRINDLEX_SHA256_ARM64 1
#endif

using Sha256Compression = Compression;

// FIPS 180-2's compression in portable C++: the reference, and what runs
// where the processor has no SHA instructions.
void sha256_compress_portable(uint32_t state[8], const uint8_t* first, const uint8_t* blocks,
                              size_t count);

// With the x86-64 SHA extensions; only for a processor that has them. The
// state stays in registers from the first block to the last.
void sha256_compress_x86_sha(uint32_t state[8], const uint8_t* first, const uint8_t* blocks,
                             size_t count);

// With the ARMv8 SHA-2 instructions; only for a processor that has them. The
// state stays in registers from the first block to the last.
void sha256_compress_arm64_sha2(uint32_t state[8], const uint8_t* first, const uint8_t* blocks,
                                size_t count);

// The compression that uses this processor's SHA instructions, or nullptr
// where the processor, or this build, has none.
Sha256Compression sha256_hardware_compression();
