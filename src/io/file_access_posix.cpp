#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_access.h"

bool platform_open(PlatformFile* file, const char* path) {
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
    return true;
}

bool platform_read_block(PlatformFile* file, uint32_t* length) {
    ssize_t got;
    do {
        got = read(file->descriptor, file->block, PlatformBlockSize);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return false;
    }
    *length = static_cast<uint32_t>(got);
    return true;
}

void platform_close(PlatformFile* file) {
    close(file->descriptor);
}
