// The MD5 compressions behind md5_update, each a Compression of the four
// chaining words A, B, C, D.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/compression.h"

// Which processor-specific compressions this compiler builds for this target.
#if defined(__x86_64__)
#define BRINDLEX_MD5_X86 1
#endif

using Md5Compression = Compression;

// RFC 1321's compression in portable C++, md5_transform on each block's
// decoded words: the reference, and what runs where the processor has no
// AVX-512.
void md5_compress_portable(uint32_t state[4], const uint8_t* first, const uint8_t* blocks,
                           size_t count);

// With AVX-512 (F and VL) in one lane; only for a processor and a system
// that have it. The state stays in registers from the first block to the
// last.
void md5_compress_avx512(uint32_t state[4], const uint8_t* first, const uint8_t* blocks,
                         size_t count);

// Decodes `count` little-endian message words from `bytes`.
void md5_decode_words(uint32_t* words, const uint8_t* bytes, size_t count);

// What CPUID and XGETBV report on an x86 processor, as much of it as the
// choice of an MD5 compression reads.
struct X86Cpuid {
    char vendor[13];     // leaf 0: "GenuineIntel", "AuthenticAMD", ...
    uint32_t max_leaf;   // leaf 0 EAX: the highest leaf there is
    uint32_t leaf1_eax;  // family, model and stepping
    uint32_t leaf1_ecx;  // bit 27: OSXSAVE, the system has turned XGETBV on
    uint32_t leaf7_ebx;  // bit 16: AVX512F; bit 31: AVX512VL (0 where max_leaf < 7)
    uint64_t xcr0;       // the register state the system saves (0 without OSXSAVE)
};

// The processor's family from leaf 1 EAX, its extended family added where
// the base family is 0xf, as Intel's and AMD's manuals decode it.
uint32_t x86_family(const X86Cpuid& cpu);

// What this processor reports, as md5_compression_by_rule reads it; all
// zero where this build reads nothing (no x86-64, macOS, or no AVX-512
// compression built).
X86Cpuid md5_read_cpuid();

// Whether md5_compress_avx512 can run on a processor that reports `cpu`: it
// has AVX-512 F and VL, and its system saves their registers.
bool md5_avx512_runs_on(const X86Cpuid& cpu);

// Whether the rule chooses it there: it can run, on an Intel processor,
// the one kind where it is expected to beat the portable compression
// (md5_select.cpp gives the figures).
bool md5_avx512_chosen_on(const X86Cpuid& cpu);

// md5_compress_avx512 wherever it can run: this build has it, the processor
// has AVX-512 F and VL, and the system saves their registers; else nullptr.
// What BRINDLEX_COMPRESSION=hardware takes.
Md5Compression md5_runnable_compression();

// md5_compress_avx512 where the rule chooses it, else nullptr: what runs
// unless BRINDLEX_COMPRESSION says otherwise.
Md5Compression md5_compression_by_rule();
