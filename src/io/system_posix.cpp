#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#endif

#include <cerrno>

#include "io/file_access.h"

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
    file->descriptor = descriptor;
    return true;
}

bool posix_read(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length) {
    ssize_t got;
    do {
        got = read(file->descriptor, block, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return false;
    }
    *length = static_cast<uint32_t>(got);
    return true;
}

void posix_close(SystemFile* file) {
    close(file->descriptor);
}

void* run_thread(void* start) {
    SystemThread* thread = static_cast<SystemThread*>(start);
    thread->body(thread->argument);
    return nullptr;
}

bool posix_start_thread(SystemThread* thread, void (*body)(void*), void* argument) {
    thread->body = body;
    thread->argument = argument;
    return pthread_create(&thread->id, nullptr, run_thread, thread) == 0;
}

void posix_join_thread(SystemThread* thread) {
    pthread_join(thread->id, nullptr);
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

}  // namespace

bool system_lock_init(SystemLock* lock) {
    if (pthread_mutex_init(&lock->mutex, nullptr) != 0) {
        return false;
    }
    if (pthread_cond_init(&lock->condition, nullptr) != 0) {
        pthread_mutex_destroy(&lock->mutex);
        return false;
    }
    return true;
}

void system_lock_destroy(SystemLock* lock) {
    pthread_cond_destroy(&lock->condition);
    pthread_mutex_destroy(&lock->mutex);
}

void system_lock(SystemLock* lock) {
    pthread_mutex_lock(&lock->mutex);
}

void system_unlock(SystemLock* lock) {
    pthread_mutex_unlock(&lock->mutex);
}

void system_wait(SystemLock* lock) {
    pthread_cond_wait(&lock->condition, &lock->mutex);
}

void system_wake(SystemLock* lock) {
    pthread_cond_signal(&lock->condition);
}

const SystemCalls platform_system_calls = {posix_open,        posix_read,
                                           posix_close,       posix_start_thread,
                                           posix_join_thread, posix_several_processors};
