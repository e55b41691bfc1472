// Opens a file, feeds its contents to a digest engine in runs of at most
// AbsorbRunSize bytes, straight from where they were read, and closes it.
#pragma once

#include <cstdint>

#include "io/block_reader.h"
#include "io/outcome.h"

// The most the engine is handed at a time: a run of whole 64-byte blocks
// where the file goes on, so that it compresses them where they lie.
constexpr uint32_t AbsorbRunSize = 1024 * 64;
static_assert(AbsorbRunSize % 64 == 0 && ReaderBlockSize % AbsorbRunSize == 0,
              "runs of whole 64-byte blocks, a whole number of them in each block read");

using StartFunction = void (*)(void* engine);
using AbsorbFunction = void (*)(void* engine, const uint8_t* bytes, uint32_t length);

// Returns Ok once the whole file has been absorbed. When the file cannot be
// opened or read, prints the matching error line and returns FileError (or
// OutputFailed if that print failed). `start`, if given, is called once the
// open has succeeded, before the first read.
Outcome file_read_loop(const char* path, StartFunction start, AbsorbFunction absorb, void* engine,
                       const SystemFileCalls* files = &platform_file_calls,
                       const SystemThreadCalls* threads = &platform_thread_calls);
