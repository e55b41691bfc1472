// Reads a file from the system in large blocks and hands it out in place, as
// views into the block it holds. Once a read fills a whole block, a second
// thread reads each next block while this one is handed out, so that the
// system's copying overlaps the hashing; the views, the end of the file and
// a read error come out exactly as without it.
//
// The two blocks are the program's own, not the reader's: a process reads
// one file at a time through this seam. (Held in each reader, they would put
// a megabyte on the caller's stack.)
#pragma once

#include <cstdint>

#include "io/system_file.h"
#include "io/system_thread.h"

// Each system call, and each hand-over between the two threads, costs a
// little: read in large blocks. Whole 64-byte blocks, so that the views of a
// regular file are too; a whole number of the read loop's runs, so that no
// block ends in a short one.
constexpr uint32_t ReaderBlockSize = 512 * 1024;
static_assert(ReaderBlockSize % 64 == 0, "the reader's blocks hold whole 64-byte blocks");

enum class BlockState : uint8_t { Free, Filled, End, Failed };
enum class ReaderThread : uint8_t { Untried, Running, Off };

// Who touches what. Without the thread, the caller's thread alone reads one
// block and hands it out, in turn. With it (`thread` Running):
// - block `current`, being handed out, is the caller's, with `block_length`
//   and `block_position`;
// - the other block is the thread's while `ahead` is Free: it reads into it,
//   then, under the lock, sets `ahead_length` and `ahead` to what the read
//   found, and leaves both blocks alone until `ahead` is Free again;
// - when `current` is used up, the caller waits under the lock for `ahead`
//   to leave Free, takes the other block as `current` and sets `ahead` to
//   Free, which gives the thread the block just used;
// - the thread ends after the end of the file, a read error, or `stop`,
//   which the caller sets under the lock.
struct BlockReader {
    SystemFile file;
    const SystemFileCalls* files;
    const SystemThreadCalls* threads;
    uint32_t current;         // which of the two blocks is being handed out
    uint32_t block_length;    // bytes in it
    uint32_t block_position;  // bytes of those already handed out

    ReaderThread thread;  // started at most once per file
    SystemThread reader;
    SystemLock lock;  // guards the three below
    BlockState ahead;
    uint32_t ahead_length;
    bool stop;
};

// Opens an existing file (never a directory) for reading, through the given
// calls; false on failure.
bool block_reader_open(BlockReader* reader, const char* path, const SystemFileCalls* files,
                       const SystemThreadCalls* threads);
// Points `view` at the file's next bytes, at most `most` of them, where they
// lie in the block, and stores how many in `length`: 0 means the end of the
// file. The view is valid until the next call. False on a read error.
bool block_reader_next(BlockReader* reader, uint32_t most, const uint8_t** view, uint32_t* length);
// Stops the second thread, if one is reading, then closes the file.
void block_reader_close(BlockReader* reader);
