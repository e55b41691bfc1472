// The platform seam for reading files: open an existing file for reading,
// read it from start to end, close it. One side for Windows, one for POSIX.
#pragma once

#include <cstdint>

#ifdef _WIN32
struct PlatformFile {
    void* handle;
};
#else
// POSIX reads the file from the system in large blocks and hands out the
// small pieces the jobs ask for from here: one system call per 500-byte
// piece would cost more than hashing it. The block is a multiple of 500
// bytes, so that a regular file is handed out in whole pieces.
constexpr uint32_t PlatformBlockSize = 128 * 500;
struct PlatformFile {
    int descriptor;
    uint32_t block_length;    // bytes in block from the last system read
    uint32_t block_position;  // bytes of those already handed out
    uint8_t block[PlatformBlockSize];
};
#endif

// The three file operations, as a table so that tests can put failing ones
// in their place.
struct FileAccess {
    // Opens an existing file (never a directory) for reading; false on failure.
    bool (*open)(PlatformFile* file, const char* path);
    // Reads up to `size` bytes into `buffer` and stores how many arrived in
    // `delivered`: 0 means the end of the file. False on a read error.
    bool (*read)(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered);
    void (*close)(PlatformFile* file);
};

extern const FileAccess platform_file_access;
