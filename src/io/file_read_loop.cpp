#include "io/file_read_loop.h"

#include <cstdio>

Outcome file_read_loop(const char* path, StartFunction start, AbsorbFunction absorb, void* engine,
                       const SystemFileCalls* files, const SystemThreadCalls* threads) {
    BlockReader reader;
    if (!block_reader_open(&reader, path, files, threads)) {
        return after_print(std::printf("Error: Unable to open the specified file.\n"),
                           Outcome::FileError);
    }
    if (start != nullptr) {
        start(engine);
    }

    uint8_t buffer[ReadBufferSize];
    for (;;) {
        uint32_t delivered = 0;
        if (!block_reader_read(&reader, buffer, ReadChunkSize, &delivered)) {
            // A digest of the bytes read so far would pass for the file's own:
            // report the failure instead.
            block_reader_close(&reader);
            return after_print(std::printf("Error: Unable to read the specified file.\n"),
                               Outcome::FileError);
        }
        if (delivered == 0) {
            break;
        }
        absorb(engine, buffer, delivered);
    }
    block_reader_close(&reader);
    return Outcome::Ok;
}
