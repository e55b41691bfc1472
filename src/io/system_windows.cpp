#include <windows.h>

#include <cstring>
#include <cwchar>

#include "io/file_access.h"

namespace {

// The longest path Windows opens, in UTF-16 code units: 32,767 characters in
// the extended-length form, and the terminating zero.
constexpr int WidePathLength = 32768;
// Full paths of this many characters or more are too long for the plain form:
// MAX_PATH with its terminating zero, less the 12 characters Windows keeps
// for a file name inside a folder.
constexpr DWORD PlainPathLimit = MAX_PATH - 12;

bool starts_with(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// The name to open `path` by: the path itself while its full path fits the
// plain form, else that full path (no relative parts, `.`, `..` or forward
// slashes, which the extended-length form does not resolve) in the
// extended-length form, built in `extended`.
const wchar_t* name_to_open(const wchar_t* path, wchar_t* extended) {
    if (starts_with(path, L"\\\\?\\") || starts_with(path, L"\\\\.\\")) {
        return path;  // taken as it is by the system
    }
    // Room before the full path for the longer prefix: \\?\UNC\ replaces
    // the leading \\ of a share path.
    wchar_t* full = extended + 6;
    DWORD length = GetFullPathNameW(path, WidePathLength - 6, full, nullptr);
    if (length < PlainPathLimit || length >= WidePathLength - 6) {
        return path;  // short enough, or not resolved: the plain form decides
    }
    if (starts_with(full, L"\\\\")) {
        std::memcpy(extended, L"\\\\?\\UNC\\", 8 * sizeof(wchar_t));
        return extended;
    }
    std::memcpy(extended + 2, L"\\\\?\\", 4 * sizeof(wchar_t));
    return extended + 2;
}

bool windows_open(SystemFile* file, const char* path) {
    // The path in UTF-16, converted from the process code page as CreateFileA
    // would convert it (UTF-8 under our manifest).
    wchar_t wide[WidePathLength];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide, WidePathLength) == 0) {
        return false;
    }
    wchar_t extended[WidePathLength];
    // An existing file only, for reading; others may read it too but not
    // write it while it is open. A directory fails here, as it needs
    // FILE_FLAG_BACKUP_SEMANTICS to open.
    HANDLE handle = CreateFileW(name_to_open(wide, extended), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
