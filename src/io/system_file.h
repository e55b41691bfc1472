// The platform's calls for reading a file: system_posix.cpp on POSIX
// systems, system_windows.cpp on Windows.
#pragma once

#include <cstdint>

// An open file: a POSIX file descriptor or a Windows HANDLE.
struct SystemFile {
    intptr_t handle;
};

// A table, so that tests can put failing calls in their place.
struct SystemFileCalls {
    // Opens an existing file (never a directory) for reading; false on failure.
    bool (*open)(SystemFile* file, const char* path);
    // Reads up to `size` bytes into `block` and stores how many arrived in
    // `length`: 0 means the end of the file. False on a read error.
    bool (*read)(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length);
    void (*close)(SystemFile* file);
};

extern const SystemFileCalls platform_file_calls;
