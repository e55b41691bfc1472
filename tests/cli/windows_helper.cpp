// Other programs for the end-to-end tests under Windows (wine): each says
// "ready" on standard output once BRINDLEX may go.
//   windows_helper hold PATH       opens PATH for writing, letting others
//                                  read, as a log's writer does, and holds
//                                  it until its standard input closes;
//   windows_helper pipe NAME TEXT  serves TEXT on the pipe \\.\pipe\NAME to
//                                  one client, then closes it.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        HANDLE file = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return 1;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        CloseHandle(file);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "pipe") == 0) {
        char name[256];
        std::snprintf(name, sizeof name, "\\\\.\\pipe\\%s", argv[2]);
        HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                       4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            return 1;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
            return 1;
        }
        DWORD written = 0;
        WriteFile(pipe, argv[3], static_cast<DWORD>(std::strlen(argv[3])), &written, nullptr);
        FlushFileBuffers(pipe);
        CloseHandle(pipe);  // the client's next read finds the pipe ended
        return 0;
    }
    return 2;
}
