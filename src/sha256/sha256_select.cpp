// Which SHA-256 compression this processor can run. Builds configured with
// BRINDLEX_HARDWARE_SHA256 off have the portable compression only.
#include "sha256/sha256_compress.h"

#if defined(BRINDLEX_HARDWARE_SHA256) && defined(BRINDLEX_SHA256_X86)

#include <cpuid.h>

Sha256Compression sha256_hardware_compression() {
    // CPUID leaf 7 EBX bit 29: the SHA extensions; leaf 1 ECX bit 9: SSSE3,
    // for the byte shuffles around them.
    unsigned int eax, ebx, ecx, edx;
    if (__get_cpuid_max(0, nullptr) < 7 || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return nullptr;
    }
    bool ssse3 = (ecx & (1u << 9)) != 0;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    bool sha = (ebx & (1u << 29)) != 0;
    return ssse3 && sha ? sha256_compress_x86_sha : nullptr;
}

#elif defined(BRINDLEX_HARDWARE_SHA256) && defined(BRINDLEX_SHA256_ARM64) && defined(__linux__)

#include <asm/hwcap.h>
#include <sys/auxv.h>

Sha256Compression sha256_hardware_compression() {
    bool sha2 = (getauxval(AT_HWCAP) & HWCAP_SHA2) != 0;
    return sha2 ? sha256_compress_arm64_sha2 : nullptr;
}

#elif defined(BRINDLEX_HARDWARE_SHA256) && defined(BRINDLEX_SHA256_ARM64) && defined(__APPLE__)

Sha256Compression sha256_hardware_compression() {
    // Every 64-bit ARM processor that runs Apple's systems has SHA-2.
    return sha256_compress_arm64_sha2;
}

#elif defined(BRINDLEX_HARDWARE_SHA256) && defined(BRINDLEX_SHA256_ARM64) && defined(_WIN32)

#include <windows.h>

Sha256Compression sha256_hardware_compression() {
    // The ARMv8 cryptographic extension, SHA-2 among it.
    bool sha2 = IsProcessorFeaturePresent(PF_ARM_V8_CRYPTO_INSTRUCTIONS_AVAILABLE) != 0;
    return sha2 ? sha256_compress_arm64_sha2 : nullptr;
}

#else

Sha256Compression sha256_hardware_compression() {
    return nullptr;
}

#endif
