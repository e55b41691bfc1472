#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/file_access.h"

namespace {

bool posix_open(PlatformFile* file, const char* path) {
    int descriptor;
    do {
        descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return false;
    }
    // A directory is refused by the open itself on Windows; do the same here.
    struct stat status;
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return false;
    }
    file->descriptor = descriptor;
    file->block_length = 0;
    file->block_position = 0;
    return true;
}

bool posix_read(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered) {
    *delivered = 0;
    if (file->block_position == file->block_length) {
        ssize_t got;
        do {
            got = read(file->descriptor, file->block, PlatformBlockSize);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            return false;
        }
        file->block_length = static_cast<uint32_t>(got);
        file->block_position = 0;
        if (got == 0) {
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

void posix_close(PlatformFile* file) {
    close(file->descriptor);
}

}  // namespace

const FileAccess platform_file_access = {posix_open, posix_read, posix_close};
