#include <windows.h>

#include "io/file_access.h"

namespace {

bool windows_open(SystemFile* file, const char* path) {
    // An existing file only, for reading; others may read it too but not
    // write it while it is open. A directory fails here, as it needs
    // FILE_FLAG_BACKUP_SEMANTICS to open.
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    file->handle = handle;
    return true;
}

bool windows_read(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length) {
    DWORD count = 0;
    if (!ReadFile(static_cast<HANDLE>(file->handle), block, size, &count, nullptr)) {
        return false;
    }
    *length = static_cast<uint32_t>(count);
    return true;
}

void windows_close(SystemFile* file) {
    CloseHandle(static_cast<HANDLE>(file->handle));
}

DWORD WINAPI run_thread(void* start) {
    SystemThread* thread = static_cast<SystemThread*>(start);
    thread->body(thread->argument);
    return 0;
}

bool windows_start_thread(SystemThread* thread, void (*body)(void*), void* argument) {
    thread->body = body;
    thread->argument = argument;
    thread->handle = CreateThread(nullptr, 0, run_thread, thread, 0, nullptr);
    return thread->handle != nullptr;
}

void windows_join_thread(SystemThread* thread) {
    WaitForSingleObject(static_cast<HANDLE>(thread->handle), INFINITE);
    CloseHandle(static_cast<HANDLE>(thread->handle));
}

bool windows_several_processors() {
    // The processors this process may run on.
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
        return false;
    }
    return (process & (process - 1)) != 0;
}

// SRWLOCK and CONDITION_VARIABLE are each one pointer, kept in SystemLock.
static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*),
              "SystemLock holds an SRWLOCK and a CONDITION_VARIABLE");

SRWLOCK* srw_lock(SystemLock* lock) {
    return reinterpret_cast<SRWLOCK*>(&lock->lock);
}

CONDITION_VARIABLE* condition(SystemLock* lock) {
    return reinterpret_cast<CONDITION_VARIABLE*>(&lock->condition);
}

}  // namespace

bool system_lock_init(SystemLock* lock) {
    InitializeSRWLock(srw_lock(lock));
    InitializeConditionVariable(condition(lock));
    return true;
}

void system_lock_destroy(SystemLock*) {
    // Neither needs releasing.
}

void system_lock(SystemLock* lock) {
    AcquireSRWLockExclusive(srw_lock(lock));
}

void system_unlock(SystemLock* lock) {
    ReleaseSRWLockExclusive(srw_lock(lock));
}

void system_wait(SystemLock* lock) {
    SleepConditionVariableSRW(condition(lock), srw_lock(lock), INFINITE, 0);
}

void system_wake(SystemLock* lock) {
    WakeConditionVariable(condition(lock));
}

const SystemCalls platform_system_calls = {windows_open,        windows_read,
                                           windows_close,       windows_start_thread,
                                           windows_join_thread, windows_several_processors};
