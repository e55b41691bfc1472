#include <windows.h>

#include "io/file_access.h"

namespace {

bool windows_open(PlatformFile* file, const char* path) {
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

bool windows_read(PlatformFile* file, uint8_t* buffer, uint32_t size, uint32_t* delivered) {
    DWORD count = 0;
    BOOL ok = ReadFile(static_cast<HANDLE>(file->handle), buffer, size, &count, nullptr);
    *delivered = ok ? static_cast<uint32_t>(count) : 0;
    return ok != FALSE;
}

void windows_close(PlatformFile* file) {
    CloseHandle(static_cast<HANDLE>(file->handle));
}

}  // namespace

const FileAccess platform_file_access = {windows_open, windows_read, windows_close};
