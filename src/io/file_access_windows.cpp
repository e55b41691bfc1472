#include <windows.h>

#include "io/file_access.h"

bool platform_open(PlatformFile* file, const char* path) {
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

bool platform_read_block(PlatformFile* file, uint32_t* length) {
    DWORD count = 0;
    if (!ReadFile(static_cast<HANDLE>(file->handle), file->block, PlatformBlockSize, &count,
                  nullptr)) {
        return false;
    }
    *length = static_cast<uint32_t>(count);
    return true;
}

void platform_close(PlatformFile* file) {
    CloseHandle(static_cast<HANDLE>(file->handle));
}
