// The Windows side of the platform's file, thread and lock calls.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "io/system_file.h"
#include "io/system_thread.h"

namespace {

// The longest path Windows opens, in UTF-16 code units: 32,767 characters in
// the extended-length form, and the terminating zero.
constexpr int WidePathLength = 32768;
// Full paths this long are too long for the plain form: MAX_PATH less the 12
// characters Windows keeps for a file name inside a folder.
constexpr DWORD PlainPathLimit = MAX_PATH - 12;

// Whether `path` begins with \\?\ or \\.\: the extended-length or the
// device form.
bool device_form(const wchar_t* path) {
    return path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
           path[3] == L'\\';
}

// Whether a path in the device form names a file on a drive, \\.\C:\...,
// rather than a device such as \\.\pipe\name or \\.\PhysicalDrive0.
bool names_a_drive(const wchar_t* device_path) {
    wchar_t letter = device_path[4];
    return ((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z')) &&
           device_path[5] == L':';
}

// The name to open `path` by: the path itself while its full path fits the
// plain form, else that full path (no relative parts, `.`, `..` or forward
// slashes, which the extended-length form does not resolve) in that form.
// The extended-length form, \\?\, is the system's as given; so are devices.
const wchar_t* name_to_open(const wchar_t* path, wchar_t* extended) {
    if (device_form(path) && path[2] == L'?') {
        return path;
    }
    // Room before the full path for the longer prefix: \\?\UNC\ replaces
    // the leading \\ of a share path.
    wchar_t* full = extended + 6;
    DWORD length = GetFullPathNameW(path, WidePathLength - 6, full, nullptr);
    if (length < PlainPathLimit || length >= WidePathLength - 6) {
        return path;  // short enough, or not resolved: the plain form decides
    }
    if (device_form(full)) {
        if (full[2] == L'.' && !names_a_drive(full)) {
            return path;  // a device
        }
        full[2] = L'?';  // given as \\.\, //./ or //?/, now resolved
        return full;
    }
    if (full[0] == L'\\' && full[1] == L'\\') {
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
    // An existing file only, for reading; others may read and write it
    // meanwhile, as a log's writer does. A directory fails here, as it needs
    // FILE_FLAG_BACKUP_SEMANTICS to open.
    HANDLE handle =
        CreateFileW(name_to_open(wide, extended), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    file->handle = reinterpret_cast<intptr_t>(handle);
    return true;
}

bool windows_read(SystemFile* file, uint8_t* block, uint32_t size, uint32_t* length) {
    DWORD count = 0;
    // A pipe whose writer has closed it has ended: that is no read error.
    if (!ReadFile(reinterpret_cast<HANDLE>(file->handle), block, size, &count, nullptr) &&
        GetLastError() != ERROR_BROKEN_PIPE) {
        return false;
    }
    *length = static_cast<uint32_t>(count);
    return true;
}

void windows_close(SystemFile* file) {
    CloseHandle(reinterpret_cast<HANDLE>(file->handle));
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

// The system's objects in the storage of SystemThread and SystemLock.
struct WindowsLock {
    SRWLOCK lock;
    CONDITION_VARIABLE condition;
};
static_assert(sizeof(WindowsLock) <= sizeof(SystemLock::storage) &&
                  alignof(WindowsLock) <= alignof(SystemLock),
              "SystemLock holds an SRWLOCK and a CONDITION_VARIABLE");
static_assert(sizeof(HANDLE) <= sizeof(SystemThread::storage) &&
                  alignof(HANDLE) <= alignof(SystemThread),
              "SystemThread holds a HANDLE");

WindowsLock* windows_lock(SystemLock* lock) {
    return reinterpret_cast<WindowsLock*>(lock->storage);
}

DWORD WINAPI run_thread(void* start) {
    SystemThread* thread = static_cast<SystemThread*>(start);
    thread->body(thread->argument);
    return 0;
}

bool windows_start_thread(SystemThread* thread, void (*body)(void*), void* argument) {
    thread->body = body;
    thread->argument = argument;
    HANDLE* handle = reinterpret_cast<HANDLE*>(thread->storage);
    *handle = CreateThread(nullptr, 0, run_thread, thread, 0, nullptr);
    return *handle != nullptr;
}

void windows_join_thread(SystemThread* thread) {
    HANDLE* handle = reinterpret_cast<HANDLE*>(thread->storage);
    WaitForSingleObject(*handle, INFINITE);
    CloseHandle(*handle);
}

}  // namespace

const SystemFileCalls platform_file_calls = {windows_open, windows_read, windows_close};
const SystemThreadCalls platform_thread_calls = {windows_several_processors, windows_start_thread,
                                                 windows_join_thread};

bool system_lock_init(SystemLock* lock) {
    InitializeSRWLock(&windows_lock(lock)->lock);
    InitializeConditionVariable(&windows_lock(lock)->condition);
    return true;
}

void system_lock_destroy(SystemLock*) {}  // neither needs releasing

void system_lock(SystemLock* lock) {
    AcquireSRWLockExclusive(&windows_lock(lock)->lock);
}

void system_unlock(SystemLock* lock) {
    ReleaseSRWLockExclusive(&windows_lock(lock)->lock);
}

void system_wait(SystemLock* lock) {
    SleepConditionVariableSRW(&windows_lock(lock)->condition, &windows_lock(lock)->lock, INFINITE,
                              0);
}

void system_wake(SystemLock* lock) {
    WakeConditionVariable(&windows_lock(lock)->condition);
}
