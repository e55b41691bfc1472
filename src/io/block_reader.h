// The platform seam for reading files: open an existing file for reading,
// read it from start to end, close it. One side for Windows, one for POSIX.
#pragma once

#ifndef _WIN32
#include <pthread.h>
#endif

#include <cstdint>

// The file is read from the system in large blocks and handed out in the
// small pieces the jobs ask for: one system call per 500-byte piece would
// cost more than hashing it, and each hand-over between the two threads
// costs a little. The block is a multiple of 500 bytes, so that a regular
// file is handed out in whole pieces.
constexpr uint32_t PlatformBlockSize = 1024 * 500;

// A file as the system knows it, and a second thread.
struct SystemFile {
#ifdef _WIN32
    void* handle;
#else
    int descriptor;
#endif
};
struct SystemThread {
#ifdef _WIN32
    void* handle;
#else
    pthread_t id;
#endif
    void (*body)(void*);  // what the thread runs, and with what
    void* argument;
};
// A lock, and a condition to wait for under it.
struct SystemLock {
#ifdef _WIN32
    void* lock;       // an SRWLOCK
    void* condition;  // a CONDITION_VARIABLE
#else
    pthread_mutex_t mutex;
    pthread_cond_t condition;
#endif
};

// Each side's system calls, as a table so that tests can put failing ones in
// their place.
struct SystemCalls {
    // Opens an existing file (never a directory) for reading; false on failure.
    bool (*open)(SystemFile* file, const char* path);
    // Reads up to `size` bytes into `block` and stores how many arrived in
    // `length`: 0 means the end of the file. False on a read error.
    bool (*read)(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length);
    void (*close)(SystemFile* file);
    // Runs body(argument) on a new thread; false if none can be started.
    bool (*start_thread)(SystemThread* thread, void (*body)(void*), void* argument);
    // Waits for that thread to end.
    void (*join_thread)(SystemThread* thread);
    // Whether more than one processor is available to this process.
    bool (*several_processors)();
};

extern const SystemCalls platform_system_calls;

// False if the system has no lock to give.
bool system_lock_init(SystemLock* lock);
void system_lock_destroy(SystemLock* lock);
void system_lock(SystemLock* lock);
void system_unlock(SystemLock* lock);
// Releases the lock until another thread calls system_wake, and takes it
// again. It may also return without one: check what is waited for again.
void system_wait(SystemLock* lock);
void system_wake(SystemLock* lock);

// How far the next block read ahead on the second thread has come.
enum class BlockState : uint8_t { Free, Filled, End, Failed };

// A file being read: while one block is handed out, a second thread may read
// the next one into the other block.
struct PlatformFile {
    SystemFile system;
    const SystemCalls* calls;
    uint32_t current;         // which of the two blocks is being handed out
    uint32_t block_length;    // bytes in it
    uint32_t block_position;  // bytes of those already handed out

    // Read-ahead: the reader thread and what it shares with this one.
    bool reading_ahead;
    SystemThread reader;
    SystemLock lock;  // guards the three below
    BlockState states[2];
    uint32_t lengths[2];
    bool stop;
};

// The read loop's view of a file: open it, take the next piece, close it.
struct FileAccess {
    // Opens an existing file (never a directory) for reading; false on failure.
    bool (*open)(PlatformFile* file, const char* path);
    // Copies up to `size` bytes into `buffer` and stores how many arrived in
    // `delivered`: 0 means the end of the file. False on a read error.
    bool (*read)(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered);
    // Closes the file, once the reader thread, if any, has ended.
    void (*close)(PlatformFile* file);
};

extern const FileAccess platform_file_access;

// platform_file_access.open over other system calls.
bool open_file_with(PlatformFile* file, const char* path, const SystemCalls* calls);
