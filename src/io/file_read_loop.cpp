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

    const uint8_t* run = nullptr;
    uint32_t length = 0;
    bool read = true;
    while ((read = block_reader_next(&reader, AbsorbRunSize, &run, &length)) && length > 0) {
        absorb(engine, run, length);
    }
    block_reader_close(&reader);
    if (!read) {
        // A digest of the bytes read so far would pass for the file's own:
        // report the failure instead.
        return after_print(std::printf("Error: Unable to read the specified file.\n"),
                           Outcome::FileError);
    }
    return Outcome::Ok;
}
