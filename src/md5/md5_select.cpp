// Which MD5 compression this processor can run, and which it should. Builds
// configured with BRINDLEX_HARDWARE_MD5 off have the portable compression
// only.
#include <cstring>

#include "md5/md5_compress.h"

uint32_t x86_family(const X86Cpuid& cpu) {
    uint32_t family = cpu.leaf1_eax >> 8 & 0xf;
    if (family == 0xf) {
        family += cpu.leaf1_eax >> 20 & 0xff;
    }
    return family;
}

bool md5_avx512_runs_on(const X86Cpuid& cpu) {
    if (cpu.max_leaf < 7 || (cpu.leaf1_ecx & (1u << 27)) == 0) {
        return false;
    }
    // XCR0 bits 1 and 2 (SSE and AVX state), 5, 6 and 7 (the opmask
    // registers and the upper halves of all 32 vector registers): without
    // them the system would lose the registers on a switch.
    const uint64_t avx512_state = 1u << 1 | 1u << 2 | 1u << 5 | 1u << 6 | 1u << 7;
    if ((cpu.xcr0 & avx512_state) != avx512_state) {
        return false;
    }
    return (cpu.leaf7_ebx & (1u << 16)) != 0 && (cpu.leaf7_ebx & (1u << 31)) != 0;
}

// Intel's processors alone, where the one lane is expected to win: their
// simple vector operations (add, rotate, ternary logic) take one cycle,
// and a one-lane kernel of this design ran 4.02 cycles a byte against 4.70
// for the portable code on an Intel Xeon with AVX-512 (llvm-mca models
// this loop at 4.03 on Skylake-AVX512 and Ice Lake server). On AMD's it
// loses, as measured: 567 MB/s against 731 on Zen 4 (family 19h), 345
// against 675 on Zen 5 (family 1Ah). Every other processor keeps the
// portable code.
bool md5_avx512_chosen_on(const X86Cpuid& cpu) {
    return std::strcmp(cpu.vendor, "GenuineIntel") == 0 && md5_avx512_runs_on(cpu);
}

#if defined(BRINDLEX_HARDWARE_MD5) && defined(BRINDLEX_MD5_X86) && defined(__APPLE__)

#include <sys/sysctl.h>

X86Cpuid md5_read_cpuid() {
    return X86Cpuid{};
}

namespace {

bool system_reports(const char* name) {
    int value = 0;
    size_t size = sizeof value;
    return sysctlbyname(name, &value, &size, nullptr, 0) == 0 && value != 0;
}

}  // namespace

// macOS turns the AVX-512 registers on at their first use, so XCR0 does not
// show them: the system's own report says whether they are there.
Md5Compression md5_runnable_compression() {
    bool avx512 = system_reports("hw.optional.avx512f") && system_reports("hw.optional.avx512vl");
    return avx512 ? md5_compress_avx512 : nullptr;
}

// Every Mac with AVX-512 has an Intel processor, where the rule above
// takes it.
Md5Compression md5_compression_by_rule() {
    return md5_runnable_compression();
}

#elif defined(BRINDLEX_HARDWARE_MD5) && defined(BRINDLEX_MD5_X86)

#include <cpuid.h>
#include <immintrin.h>

namespace {

// XCR0: which register state the system saves and restores on a switch.
__attribute__((target("xsave"))) uint64_t saved_state() {
    return static_cast<uint64_t>(_xgetbv(0));
}

// Four characters of the vendor string, as a register holds them.
void store_vendor(char* text, uint32_t word) {
    for (int i = 0; i < 4; i++) {
        text[i] = static_cast<char>(word >> 8 * i & 0xff);
    }
}

}  // namespace

// Reads what the rule above looks at, and no more: XCR0 only where the
// system has turned XGETBV on, leaf 7 only where there is one.
X86Cpuid md5_read_cpuid() {
    X86Cpuid cpu = {};
    unsigned int eax, ebx, ecx, edx;
    __cpuid(0, eax, ebx, ecx, edx);
    cpu.max_leaf = eax;
    store_vendor(cpu.vendor, ebx);
    store_vendor(cpu.vendor + 4, edx);
    store_vendor(cpu.vendor + 8, ecx);
    if (cpu.max_leaf >= 1) {
        __cpuid(1, eax, ebx, ecx, edx);
        cpu.leaf1_eax = eax;
        cpu.leaf1_ecx = ecx;
    }
    if ((cpu.leaf1_ecx & (1u << 27)) != 0) {
        cpu.xcr0 = saved_state();
    }
    if (cpu.max_leaf >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        cpu.leaf7_ebx = ebx;
    }
    return cpu;
}

Md5Compression md5_runnable_compression() {
    return md5_avx512_runs_on(md5_read_cpuid()) ? md5_compress_avx512 : nullptr;
}

Md5Compression md5_compression_by_rule() {
    return md5_avx512_chosen_on(md5_read_cpuid()) ? md5_compress_avx512 : nullptr;
}

#else

X86Cpuid md5_read_cpuid() {
    return X86Cpuid{};
}

Md5Compression md5_runnable_compression() {
    return nullptr;
}

Md5Compression md5_compression_by_rule() {
    return nullptr;
}

#endif
