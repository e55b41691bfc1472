// Engine throughput: one-shot, in the runs the file jobs hand over, and in
// 500-byte pieces, where most calls find a partial block waiting.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "io/file_read_loop.h"
#include "md5/md5.h"
#include "md5/md5_compress.h"
#include "sha256/sha256.h"
#include "sha256/sha256_compress.h"

namespace {

std::vector<uint8_t> message_of(int64_t size) {
    std::vector<uint8_t> message(static_cast<size_t>(size));
    for (size_t i = 0; i < message.size(); i++) {
        message[i] = static_cast<uint8_t>(i * 131 + 7);
    }
    return message;
}

// Feeds the message whole (piece 0) or in pieces of `piece` bytes.
template <typename Context, typename Update>
void feed(Context* context, Update update, const std::vector<uint8_t>& message, uint32_t piece) {
    uint32_t size = static_cast<uint32_t>(message.size());
    uint32_t step = piece == 0 ? size : piece;
    for (uint32_t at = 0; at < size; at += step) {
        update(context, message.data() + at, size - at < step ? size - at : step);
    }
}

void Md5(benchmark::State& state, uint32_t piece) {
    std::vector<uint8_t> message = message_of(state.range(0));
    for (auto _ : state) {
        Md5Context context;
        md5_init(&context);
        feed(&context, md5_update, message, piece);
        md5_final(&context);
        benchmark::DoNotOptimize(context.digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Sha256(benchmark::State& state, uint32_t piece) {
    std::vector<uint8_t> message = message_of(state.range(0));
    for (auto _ : state) {
        Sha256Context context;
        uint8_t digest[32];
        sha256_init(&context);
        feed(&context, sha256_update, message, piece);
        sha256_final(&context, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// A compression alone, on the same state call after call: one block per
// call, as sha256_transform calls it, or a run of 256 blocks (16 KiB), as
// the updates hand whole blocks of the caller's data to it. nullptr: this
// processor cannot run it.
void Compress(benchmark::State& state, Compression compress, size_t blocks) {
    if (compress == nullptr) {
        state.SkipWithError("this processor cannot run this compression");
        return;
    }
    std::vector<uint8_t> run = message_of(static_cast<int64_t>(64 * blocks));
    uint32_t words[8] = {};
    for (auto _ : state) {
        compress(words, nullptr, run.data(), blocks);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(run.size()));
}

}  // namespace

BENCHMARK_CAPTURE(Compress, sha256_portable, sha256_compress_portable, 1);
BENCHMARK_CAPTURE(Compress, sha256_hardware, sha256_hardware_compression(), 1);
BENCHMARK_CAPTURE(Compress, sha256_hardware_16KiB_run, sha256_hardware_compression(), 256);
BENCHMARK_CAPTURE(Compress, md5_portable_16KiB_run, md5_compress_portable, 256);
BENCHMARK_CAPTURE(Compress, md5_avx512, md5_runnable_compression(), 1);
BENCHMARK_CAPTURE(Compress, md5_avx512_16KiB_run, md5_runnable_compression(), 256);
BENCHMARK_CAPTURE(Md5, one_shot, 0)->RangeMultiplier(16)->Range(64, 1 << 20);
BENCHMARK_CAPTURE(Md5, job_runs, AbsorbRunSize)->Arg(1 << 20);
BENCHMARK_CAPTURE(Md5, pieces_of_500, 500)->Arg(1 << 20);
BENCHMARK_CAPTURE(Sha256, one_shot, 0)->RangeMultiplier(16)->Range(64, 1 << 20);
BENCHMARK_CAPTURE(Sha256, job_runs, AbsorbRunSize)->Arg(1 << 20);
BENCHMARK_CAPTURE(Sha256, pieces_of_500, 500)->Arg(1 << 20);

BENCHMARK_MAIN();
