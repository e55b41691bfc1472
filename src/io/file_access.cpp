#include "io/file_access.h"

#include <cstring>

namespace {

bool open_file(PlatformFile* file, const char* path) {
    file->block_length = 0;
    file->block_position = 0;
    return platform_open(file, path);
}

// Hands out the next piece of the current block, reading a new block once
// this one is used up.
bool read_piece(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered) {
    *delivered = 0;
    if (file->block_position == file->block_length) {
        uint32_t length = 0;
        if (!platform_read_block(file, &length)) {
            return false;
        }
        file->block_length = length;
        file->block_position = 0;
        if (length == 0) {
            return true;  // end of file
        }
    }
    uint32_t available = file->block_length - file->block_position;
    uint32_t take = size < available ? size : available;
    std::memcpy(buffer, file->block + file->block_position, take);
    file->block_position += take;
    *delivered = take;
    return true;
}

}  // namespace

const FileAccess platform_file_access = {open_file, read_piece, platform_close};
