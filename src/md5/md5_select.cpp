// Which MD5 compression this processor can run. Builds configured with
// BRINDLEX_HARDWARE_MD5 off have the portable compression only.
#include "md5/md5_compress.h"

#if defined(BRINDLEX_HARDWARE_MD5) && defined(BRINDLEX_MD5_X86) && defined(__APPLE__)

#include <sys/sysctl.h>

namespace {

bool system_reports(const char* name) {
    int value = 0;
    size_t size = sizeof value;
    return sysctlbyname(name, &value, &size, nullptr, 0) == 0 && value != 0;
}

}  // namespace

// macOS turns the AVX-512 registers on at their first use, so XCR0 does not
// show them: the system's own report says whether they are there.
Md5Compression md5_avx512_compression() {
    bool avx512 = system_reports("hw.optional.avx512f") && system_reports("hw.optional.avx512vl");
    return avx512 ? md5_compress_avx512 : nullptr;
}

// Every Mac with AVX-512 has an Intel processor, whose vector operations
// take one cycle.
Md5Compression md5_hardware_compression() {
    return md5_avx512_compression();
}

#elif defined(BRINDLEX_HARDWARE_MD5) && defined(BRINDLEX_MD5_X86)

#include <cpuid.h>
#include <immintrin.h>

#include <cstring>

namespace {

// XCR0: which register state the system saves and restores on a switch.
__attribute__((target("xsave"))) uint64_t saved_state() {
    return static_cast<uint64_t>(_xgetbv(0));
}

// Whether the processor's simple vector operations (add, rotate, ternary
// logic) take one cycle, as on Intel's processors with AVX-512 and AMD's
// family 19h (Zen 4). AMD's family 1Ah (Zen 5) takes two, and there the
// 64-step chain runs at twice the scalar code's time (measured: 345 MB/s
// against 675). Processors not named here keep the scalar code.
bool one_cycle_vector_operations() {
    unsigned int eax, ebx, ecx, edx;
    __cpuid(0, eax, ebx, ecx, edx);
    char vendor[12];
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    __cpuid(1, eax, ebx, ecx, edx);
    unsigned int family = eax >> 8 & 0xf;
    if (family == 0xf) {
        family += eax >> 20 & 0xff;
    }
    return std::memcmp(vendor, "GenuineIntel", 12) == 0 ||
           (std::memcmp(vendor, "AuthenticAMD", 12) == 0 && family == 0x19);
}

}  // namespace

Md5Compression md5_avx512_compression() {
    // CPUID leaf 1 ECX bit 27: the system has turned XGETBV on (OSXSAVE).
    unsigned int eax, ebx, ecx, edx;
    if (__get_cpuid_max(0, nullptr) < 7 || !__get_cpuid(1, &eax, &ebx, &ecx, &edx) ||
        (ecx & (1u << 27)) == 0) {
        return nullptr;
    }
    // XCR0 bits 1 and 2 (SSE and AVX state), 5, 6 and 7 (the opmask
    // registers and the upper halves of all 32 vector registers): without
    // them the system would lose the registers on a switch.
    const uint64_t avx512_state = 1u << 1 | 1u << 2 | 1u << 5 | 1u << 6 | 1u << 7;
    if ((saved_state() & avx512_state) != avx512_state) {
        return nullptr;
    }
    // CPUID leaf 7 EBX bit 16: AVX512F; bit 31: AVX512VL.
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    bool avx512 = (ebx & (1u << 16)) != 0 && (ebx & (1u << 31)) != 0;
    return avx512 ? md5_compress_avx512 : nullptr;
}

Md5Compression md5_hardware_compression() {
    return one_cycle_vector_operations() ? md5_avx512_compression() : nullptr;
}

#else

Md5Compression md5_avx512_compression() {
    return nullptr;
}

Md5Compression md5_hardware_compression() {
    return nullptr;
}

#endif
