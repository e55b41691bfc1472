// The platform's threads and locks, in the same two files as its file calls.
// The system's own objects live in the storage below, which only those files
// look inside.
#pragma once

#include <cstdint>

struct SystemThread {
    alignas(8) unsigned char storage[8];  // a pthread_t or a thread HANDLE
    void (*body)(void*);                  // what the thread runs, and with what
    void* argument;
};

// A lock, and a condition to wait for under it.
struct SystemLock {
    alignas(16) unsigned char storage[128];
};

// A table, so that tests can count threads and refuse them.
struct SystemThreadCalls {
    // Whether more than one processor is available to this process.
    bool (*several_processors)();
    // Runs body(argument) on a new thread; false if none can be started.
    bool (*start)(SystemThread* thread, void (*body)(void*), void* argument);
    // Waits for that thread to end.
    void (*join)(SystemThread* thread);
};

extern const SystemThreadCalls platform_thread_calls;

// False if the system has no lock to give.
bool system_lock_init(SystemLock* lock);
void system_lock_destroy(SystemLock* lock);
void system_lock(SystemLock* lock);
void system_unlock(SystemLock* lock);
// Releases the lock until another thread calls system_wake, and takes it
// again. It may also return without one: check what is waited for again.
void system_wait(SystemLock* lock);
void system_wake(SystemLock* lock);
