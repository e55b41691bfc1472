// The block reader shared by both sides: reads the file in large blocks and
// hands them out in pieces. Once a read fills a whole block, a second thread
// reads each next block while this one's pieces are handed out, so that the
// system's copying overlaps the hashing; the pieces, the end of the file and
// a read error come out exactly as without it.
#include "io/file_access.h"

#include <cstring>

namespace {

// The seam's read buffers: the block being handed out and the one read
// meanwhile. The program reads one file at a time.
uint8_t blocks[2][PlatformBlockSize];

// The reader thread: fills the blocks in turn, each once it has been handed
// out, until the end of the file, a read error, or a stop.
void read_ahead(void* argument) {
    PlatformFile* file = static_cast<PlatformFile*>(argument);
    uint32_t next = file->current ^ 1;  // set before this thread started
    for (;;) {
        system_lock(&file->lock);
        while (!file->stop && file->states[next] != BlockState::Free) {
            system_wait(&file->lock);
        }
        bool stop = file->stop;
        system_unlock(&file->lock);
        if (stop) {
            return;
        }

        uint32_t length = 0;
        bool read = file->calls->read(&file->system, blocks[next], PlatformBlockSize, &length);
        BlockState state = !read         ? BlockState::Failed
                           : length == 0 ? BlockState::End
                                         : BlockState::Filled;
        system_lock(&file->lock);
        file->states[next] = state;
        file->lengths[next] = length;
        system_wake(&file->lock);
        system_unlock(&file->lock);
        if (state != BlockState::Filled) {
            return;
        }
        next ^= 1;
    }
}

void start_read_ahead(PlatformFile* file) {
    if (!file->calls->several_processors()) {
        return;  // on one processor the thread would only take turns with this one
    }
    if (!system_lock_init(&file->lock)) {
        return;
    }
    file->states[file->current] = BlockState::Filled;  // being handed out
    file->states[file->current ^ 1] = BlockState::Free;
    file->stop = false;
    // Where no thread can be started, reading goes on here, as before.
    file->reading_ahead = file->calls->start_thread(&file->reader, read_ahead, file);
    if (!file->reading_ahead) {
        system_lock_destroy(&file->lock);
    }
}

// Stops the reader thread at its next turn, if it has not ended already, and
// waits for it.
void stop_read_ahead(PlatformFile* file) {
    system_lock(&file->lock);
    file->stop = true;
    system_wake(&file->lock);
    system_unlock(&file->lock);
    file->calls->join_thread(&file->reader);
    system_lock_destroy(&file->lock);
    file->reading_ahead = false;
}

// Hands the block just used back to the reader thread and takes the next
// one from it. False on a read error.
bool take_block_read_ahead(PlatformFile* file) {
    uint32_t used = file->current;
    uint32_t next = used ^ 1;
    system_lock(&file->lock);
    file->states[used] = BlockState::Free;
    system_wake(&file->lock);
    while (file->states[next] == BlockState::Free) {
        system_wait(&file->lock);
    }
    BlockState state = file->states[next];
    uint32_t length = file->lengths[next];
    system_unlock(&file->lock);

    file->current = next;
    file->block_length = state == BlockState::Filled ? length : 0;
    file->block_position = 0;
    if (state != BlockState::Filled) {
        stop_read_ahead(file);  // it has stopped at the end of the file or the error
    }
    return state != BlockState::Failed;
}

// Moves on to the next block of the file. False on a read error; a block of
// length 0 is the end of the file.
bool next_block(PlatformFile* file) {
    if (file->reading_ahead) {
        return take_block_read_ahead(file);
    }
    file->block_length = 0;
    file->block_position = 0;
    uint32_t length = 0;
    if (!file->calls->read(&file->system, blocks[file->current], PlatformBlockSize, &length)) {
        return false;
    }
    file->block_length = length;
    // A full block: the file probably goes on. Small files, and pipes that
    // deliver little at a time, never start the thread.
    if (length == PlatformBlockSize) {
        start_read_ahead(file);
    }
    return true;
}

bool open_file(PlatformFile* file, const char* path) {
    return open_file_with(file, path, &platform_system_calls);
}

bool read_piece(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered) {
    *delivered = 0;
    if (file->block_position == file->block_length) {
        if (!next_block(file)) {
            return false;
        }
        if (file->block_length == 0) {
            return true;  // end of file
        }
    }
    uint32_t available = file->block_length - file->block_position;
    uint32_t take = size < available ? size : available;
    std::memcpy(buffer, blocks[file->current] + file->block_position, take);
    file->block_position += take;
    *delivered = take;
    return true;
}

void close_file(PlatformFile* file) {
    // The reader thread has ended before the file is closed.
    if (file->reading_ahead) {
        stop_read_ahead(file);
    }
    file->calls->close(&file->system);
}

}  // namespace

bool open_file_with(PlatformFile* file, const char* path, const SystemCalls* calls) {
    file->calls = calls;
    file->block_length = 0;
    file->block_position = 0;
    file->reading_ahead = false;
    file->current = 0;
    return calls->open(&file->system, path);
}

const FileAccess platform_file_access = {open_file, read_piece, close_file};
