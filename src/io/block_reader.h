// Reads a file from the system in large blocks and hands it out in the small
// pieces the read loop asks for. Once a read fills a whole block, a second
// thread reads each next block while this one's pieces are handed out, so
// that the system's copying overlaps the hashing; the pieces, the end of the
// file and a read error come out exactly as without it.
#pragma once

#include <cstdint>

#include "io/system_file.h"
#include "io/system_thread.h"

// One system call per 500-byte piece would cost more than hashing it, and
// each hand-over between the two threads costs a little. A multiple of 500
// bytes, so that a regular file is handed out in whole pieces.
constexpr uint32_t ReaderBlockSize = 1024 * 500;

// The block read ahead on the second thread: Free while the thread may fill
// it, then what its read found.
enum class BlockState : uint8_t { Free, Filled, End, Failed };

struct BlockReader {
    SystemFile file;
    const SystemFileCalls* files;
    const SystemThreadCalls* threads;
    uint32_t current;         // which of the two blocks is being handed out
    uint32_t block_length;    // bytes in it
    uint32_t block_position;  // bytes of those already handed out

    // Read-ahead: the second thread and what it shares with this one.
    bool reading_ahead;
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
// Copies up to `size` bytes into `buffer` and stores how many arrived in
// `delivered`: 0 means the end of the file. False on a read error.
bool block_reader_read(BlockReader* reader, uint8_t* buffer, uint32_t size, uint32_t* delivered);
// Stops the second thread, if one is reading, then closes the file.
void block_reader_close(BlockReader* reader);
