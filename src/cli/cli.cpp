#include "cli/cli.h"

#include <cstdio>
#include <cstring>

#include "md5/md5_jobs.h"
#include "sha256/sha256_jobs.h"

namespace {

// Written once by brindlex_main, then only read by the dispatch and the jobs.
Algorithm selected_algorithm;
Mode selected_mode;
char target_buffer[MaxTargetLength + 1];

bool same(const char* argument, const char* keyword) {
    return std::strcmp(argument, keyword) == 0;
}

}  // namespace

Outcome brindlex_main(int argc, const char* const* argv) {
    if (argc != 4) {
        return print_usage();
    }

    const char* algorithm = argv[1];
    if (same(algorithm, "md5")) {
        selected_algorithm = Algorithm::Md5;
    } else if (same(algorithm, "sha256")) {
        selected_algorithm = Algorithm::Sha256;
    } else {
        return after_print(std::printf("Error: Invalid algorithm specified.\n"), Outcome::Refused);
    }

    const char* mode = argv[2];
    if (same(mode, "s")) {
        selected_mode = Mode::String;
    } else if (same(mode, "f")) {
        selected_mode = Mode::File;
    } else {
        return after_print(std::printf("Error: Invalid mode specified.\n"), Outcome::Refused);
    }

    const char* target = argv[3];
    size_t length = std::strlen(target);
    if (length > MaxTargetLength) {
        return after_print(
            std::printf("Error: The length of the target parameter cannot exceed %d characters.\n",
                        static_cast<int>(MaxTargetLength)),
            Outcome::Refused);
    }
    std::memcpy(target_buffer, target, length + 1);

    return selected_algorithm == Algorithm::Md5 ? run_md5(selected_mode)
                                                : run_sha256(selected_mode);
}

Outcome run_md5(const Mode& mode) {
    return mode == Mode::String ? md5_string_job(target_buffer) : md5_file_job(target_buffer);
}

Outcome run_sha256(const Mode& mode) {
    return mode == Mode::String ? sha256_string_job(target_buffer) : sha256_file_job(target_buffer);
}
