// How a run ended.
#pragma once

#include <cstdint>

enum class Outcome : int32_t {
    Ok,            // a digest line was printed (or a file was read to its end)
    FileError,     // the file could not be opened or read; the error line was printed
    Refused,       // the arguments were refused; the usage text or an error line was printed
    OutputFailed,  // standard output could not be written
};

// The outcome of a step that ended with a print: `outcome` if the print
// succeeded, OutputFailed if it reported a failed write.
inline Outcome after_print(int print_result, Outcome outcome) {
    return print_result < 0 ? Outcome::OutputFailed : outcome;
}
