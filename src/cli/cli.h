// The command line: BRINDLEX <algorithm> <mode> <target>.
#pragma once

#include <cstdint>

#include "io/outcome.h"

constexpr uint32_t MaxTargetLength = 3000;

enum class Algorithm : int32_t { Md5 = 1, Sha256 = 2 };
enum class Mode : int32_t { String = 1, File = 2 };

// Checks the arguments, then runs one hash job. `main` calls it with its own
// argument count and vector; it does not close standard output.
Outcome brindlex_main(int argc, const char* const* argv);

Outcome run_md5(const Mode& mode);
Outcome run_sha256(const Mode& mode);

// Prints the help text shown when the argument count is wrong.
Outcome print_usage();
