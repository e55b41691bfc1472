#include <cstdio>

#include "cli/cli.h"

namespace {

int exit_status(Outcome outcome) {
    switch (outcome) {
        case Outcome::Ok:
            return 0;
        case Outcome::FileError:
        case Outcome::OutputFailed:
            return 1;
        case Outcome::Refused:
            return 2;
    }
    return 1;
}

// Writes out what is buffered for standard output and closes it. False when
// any write failed, now or earlier.
bool finish_standard_output() {
    // fflush reports a failed write of what was buffered; ferror also catches
    // an earlier failure whose print result was not looked at.
    bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    return std::fclose(stdout) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    Outcome outcome = brindlex_main(argc, argv);
    if (!finish_standard_output()) {
        outcome = Outcome::OutputFailed;
    }
    return exit_status(outcome);
}
