// The platform seam for reading files: open an existing file for reading,
// read it from start to end, close it. One side for Windows, one for POSIX.
#pragma once

#include <cstdint>

// The file is read from the system in large blocks and handed out in the
// small pieces the jobs ask for: one system call per 500-byte piece would
// cost more than hashing it. The block is a multiple of 500 bytes, so that
// a regular file is handed out in whole pieces.
constexpr uint32_t PlatformBlockSize = 128 * 500;

struct PlatformFile {
#ifdef _WIN32
    void* handle;
#else
    int descriptor;
#endif
    uint32_t block_length;    // bytes in block from the last system read
    uint32_t block_position;  // bytes of those already handed out
    uint8_t block[PlatformBlockSize];
};

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

// Each side's system calls, behind platform_file_access.
bool platform_open(PlatformFile* file, const char* path);
// Reads the next block of the file into file->block and stores how many
// bytes arrived in `length`: 0 means the end of the file. False on an error.
bool platform_read_block(PlatformFile* file, uint32_t* length);
void platform_close(PlatformFile* file);
