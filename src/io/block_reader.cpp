#include "io/block_reader.h"

namespace {

// The seam's read buffers: the block being handed out and the one read
// meanwhile. The program reads one file at a time.
uint8_t blocks[2][ReaderBlockSize];

// The reader thread: fills the block not being handed out, each time the
// other is taken, until the end of the file, a read error or a stop. After
// the end or the error it reads nothing more.
void read_ahead(void* argument) {
    BlockReader* reader = static_cast<BlockReader*>(argument);
    for (uint32_t next = reader->current ^ 1;; next ^= 1) {
        system_lock(&reader->lock);
        while (!reader->stop && reader->ahead != BlockState::Free) {
            system_wait(&reader->lock);
        }
        bool stop = reader->stop;
        system_unlock(&reader->lock);
        if (stop) {
            return;
        }

        uint32_t length = 0;
        bool read = reader->files->read(&reader->file, blocks[next], ReaderBlockSize, &length);
        BlockState state = !read         ? BlockState::Failed
                           : length == 0 ? BlockState::End
                                         : BlockState::Filled;
        system_lock(&reader->lock);
        reader->ahead = state;
        reader->ahead_length = length;
        system_wake(&reader->lock);
        system_unlock(&reader->lock);
        if (state != BlockState::Filled) {
            return;
        }
    }
}

// Tried once per file. On one processor the thread would only take turns
// with this one; where none can be started, reading goes on here.
void start_read_ahead(BlockReader* reader) {
    reader->thread = ReaderThread::Off;
    if (!reader->threads->several_processors() || !system_lock_init(&reader->lock)) {
        return;
    }
    reader->ahead = BlockState::Free;
    reader->stop = false;
    if (reader->threads->start(&reader->reader, read_ahead, reader)) {
        reader->thread = ReaderThread::Running;
    } else {
        system_lock_destroy(&reader->lock);
    }
}

// Stops the reader thread at its next turn, if it has not ended already, and
// waits for it.
void stop_read_ahead(BlockReader* reader) {
    system_lock(&reader->lock);
    reader->stop = true;
    system_wake(&reader->lock);
    system_unlock(&reader->lock);
    reader->threads->join(&reader->reader);
    system_lock_destroy(&reader->lock);
    reader->thread = ReaderThread::Off;
}

// Takes the block read ahead, and hands the one just used to the reader
// thread to fill. False on a read error.
bool take_block_read_ahead(BlockReader* reader) {
    system_lock(&reader->lock);
    while (reader->ahead == BlockState::Free) {
        system_wait(&reader->lock);
    }
    BlockState state = reader->ahead;
    uint32_t length = reader->ahead_length;
    reader->ahead = BlockState::Free;
    system_wake(&reader->lock);
    system_unlock(&reader->lock);

    reader->current ^= 1;
    reader->block_length = state == BlockState::Filled ? length : 0;
    reader->block_position = 0;
    if (state != BlockState::Filled) {
        stop_read_ahead(reader);  // it has stopped at the end of the file or the error
    }
    return state != BlockState::Failed;
}

// Moves on to the next block of the file. False on a read error; a block of
// length 0 is the end of the file.
bool next_block(BlockReader* reader) {
    if (reader->thread == ReaderThread::Running) {
        return take_block_read_ahead(reader);
    }
    uint32_t length = 0;
    if (!reader->files->read(&reader->file, blocks[reader->current], ReaderBlockSize, &length)) {
        return false;
    }
    reader->block_length = length;
    reader->block_position = 0;
    // A full block: the file probably goes on. Small files, and pipes that
    // deliver little at a time, never start the thread.
    if (length == ReaderBlockSize && reader->thread == ReaderThread::Untried) {
        start_read_ahead(reader);
    }
    return true;
}

}  // namespace

bool block_reader_open(BlockReader* reader, const char* path, const SystemFileCalls* files,
                       const SystemThreadCalls* threads) {
    reader->files = files;
    reader->threads = threads;
    reader->current = 0;
    reader->block_length = 0;
    reader->block_position = 0;
    reader->thread = ReaderThread::Untried;
    return files->open(&reader->file, path);
}

bool block_reader_next(BlockReader* reader, uint32_t most, const uint8_t** view, uint32_t* length) {
    // A block of length 0 is the end of the file, and gives a view of none.
    if (reader->block_position == reader->block_length && !next_block(reader)) {
        return false;
    }
    uint32_t available = reader->block_length - reader->block_position;
    *view = blocks[reader->current] + reader->block_position;
    *length = most < available ? most : available;
    reader->block_position += *length;
    return true;
}

void block_reader_close(BlockReader* reader) {
    // The reader thread has ended before the file is closed.
    if (reader->thread == ReaderThread::Running) {
        stop_read_ahead(reader);
    }
    reader->files->close(&reader->file);
}
