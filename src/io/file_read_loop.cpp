#include "io/file_read_loop.h"

#include <cstdio>

Outcome file_read_loop(const char* path, StartFunction start, AbsorbFunction absorb, void* engine,
                       const FileAccess* access) {
    PlatformFile file;
    if (!access->open(&file, path)) {
        return after_print(std::printf("Error: Unable to open the specified file.\n"),
                           Outcome::FileError);
    }
    if (start != nullptr) {
        start(engine);
    }

    uint8_t buffer[ReadBufferSize];
    for (;;) {
        uint32_t delivered = 0;
        if (!access->read(&file, buffer, ReadChunkSize, &delivered)) {
            // A digest of the bytes read so far would pass for the file's own:
            // report the failure instead.
            access->close(&file);
            return after_print(std::printf("Error: Unable to read the specified file.\n"),
                               Outcome::FileError);
        }
        if (delivered == 0) {
            break;
        }
        absorb(engine, buffer, delivered);
    }
    access->close(&file);
    return Outcome::Ok;
}
