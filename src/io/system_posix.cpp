// The POSIX side of the platform's file, thread and lock calls.
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#endif

#include <cerrno>

#include "io/system_file.h"
#include "io/system_thread.h"

// Where file offsets are 32 bits wide, open refuses files of 2 GiB and more.
static_assert(sizeof(off_t) >= 8, "build with 64-bit file offsets (_FILE_OFFSET_BITS=64)");

namespace {

bool posix_open(SystemFile* file, const char* path) {
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
    file->handle = descriptor;
    return true;
}

bool posix_read(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length) {
    ssize_t got;
    do {
        got = read(static_cast<int>(file->handle), block, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return false;
    }
    *length = static_cast<uint32_t>(got);
    return true;
}

void posix_close(SystemFile* file) {
    close(static_cast<int>(file->handle));
}

bool posix_several_processors() {
#ifdef __linux__
    // The processors this process may run on, which taskset and containers limit.
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        return CPU_COUNT(&allowed) > 1;
    }
#endif
    return sysconf(_SC_NPROCESSORS_ONLN) > 1;
}

// The system's objects in the storage of SystemThread and SystemLock.
struct PosixLock {
    pthread_mutex_t mutex;
    pthread_cond_t condition;
};
static_assert(sizeof(PosixLock) <= sizeof(SystemLock::storage) &&
                  alignof(PosixLock) <= alignof(SystemLock),
              "SystemLock holds a mutex and a condition variable");
static_assert(sizeof(pthread_t) <= sizeof(SystemThread::storage) &&
                  alignof(pthread_t) <= alignof(SystemThread),
              "SystemThread holds a pthread_t");

PosixLock* posix_lock(SystemLock* lock) {
    return reinterpret_cast<PosixLock*>(lock->storage);
}

void* run_thread(void* start) {
    SystemThread* thread = static_cast<SystemThread*>(start);
    thread->body(thread->argument);
    return nullptr;
}

bool posix_start_thread(SystemThread* thread, void (*body)(void*), void* argument) {
    thread->body = body;
    thread->argument = argument;
    pthread_t* id = reinterpret_cast<pthread_t*>(thread->storage);
    return pthread_create(id, nullptr, run_thread, thread) == 0;
}

void posix_join_thread(SystemThread* thread) {
    pthread_join(*reinterpret_cast<pthread_t*>(thread->storage), nullptr);
}

}  // namespace

const SystemFileCalls platform_file_calls = {posix_open, posix_read, posix_close};
const SystemThreadCalls platform_thread_calls = {posix_several_processors, posix_start_thread,
                                                 posix_join_thread};

bool system_lock_init(SystemLock* lock) {
    PosixLock* posix = posix_lock(lock);
    if (pthread_mutex_init(&posix->mutex, nullptr) != 0) {
        return false;
    }
    if (pthread_cond_init(&posix->condition, nullptr) != 0) {
        pthread_mutex_destroy(&posix->mutex);
        return false;
    }
    return true;
}

void system_lock_destroy(SystemLock* lock) {
    pthread_cond_destroy(&posix_lock(lock)->condition);
    pthread_mutex_destroy(&posix_lock(lock)->mutex);
}

void system_lock(SystemLock* lock) {
    pthread_mutex_lock(&posix_lock(lock)->mutex);
}

void system_unlock(SystemLock* lock) {
    pthread_mutex_unlock(&posix_lock(lock)->mutex);
}

void system_wait(SystemLock* lock) {
    pthread_cond_wait(&posix_lock(lock)->condition, &posix_lock(lock)->mutex);
}

void system_wake(SystemLock* lock) {
    pthread_cond_signal(&posix_lock(lock)->condition);
}
