#include "cli/cli.h"

int main(int argc, char** argv) {
    Outcome outcome = brindlex_main(argc, argv);
    if (!finish_standard_output()) {
        outcome = Outcome::OutputFailed;
    }
    return exit_status(outcome);
}
