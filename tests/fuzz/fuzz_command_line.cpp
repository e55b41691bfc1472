// A random argument vector of 0 to 6 random byte strings into the entry
// point: the run must print exactly the usage text, one error line, or one
// digest line of the algorithm asked for, with the matching outcome.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace {

int captured = -1;  // the file that standard output goes to
std::string usage;

std::string run(const std::vector<std::string>& arguments, Outcome* outcome) {
    std::fflush(stdout);
    if (ftruncate(captured, 0) != 0 || lseek(captured, 0, SEEK_SET) != 0) {
        std::abort();
    }
    std::vector<const char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(a.c_str());
    }
    argv.push_back(nullptr);
    *outcome = brindlex_main(static_cast<int>(arguments.size()), argv.data());
    std::fflush(stdout);
    std::string out;
    char buffer[4096];
    ssize_t n;
    lseek(captured, 0, SEEK_SET);
    while ((n = read(captured, buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

bool is_digest_line(const std::string& out, size_t digits) {
    if (out.size() != digits + 1 || out.back() != '\n') {
        return false;
    }
    for (size_t i = 0; i < digits; i++) {
        if (!std::strchr("0123456789abcdef", out[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Run where relative paths name nothing, with standard output in a file.
    // The folder is made in TMPDIR, which the caller removes.
    const char* base = std::getenv("TMPDIR");
    std::string directory = base != nullptr && *base != '\0' ? base : "/tmp";
    directory += "/brindlex_fuzz_XXXXXX";
    if (mkdtemp(&directory[0]) == nullptr || chdir(directory.c_str()) != 0) {
        std::abort();
    }
    std::FILE* file = std::tmpfile();
    captured = fileno(file);
    std::fflush(stdout);
    dup2(captured, STDOUT_FILENO);
    Outcome outcome;
    usage = run({"BRINDLEX"}, &outcome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Split the input at zero bytes into at most six arguments.
    std::vector<std::string> arguments(1, "BRINDLEX");
    std::string current;
    for (size_t i = 0; i < size && arguments.size() < 7; i++) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (arguments.size() < 7 && size > 0) {
        arguments.push_back(current);
    }

    Outcome outcome;
    std::string out = run(arguments, &outcome);
    bool ok;
    if (arguments.size() != 4) {
        ok = out == usage && outcome == Outcome::Refused;
    } else if (out.rfind("Error: ", 0) == 0) {
        ok = out.find('\n') == out.size() - 1 &&
             (outcome == Outcome::Refused || outcome == Outcome::FileError);
    } else {
        size_t digits = arguments[1] == "md5" ? 32 : 64;
        ok = is_digest_line(out, digits) && outcome == Outcome::Ok;
    }
    if (!ok) {
        std::fprintf(stderr, "unexpected output: [%s]\n", out.c_str());
        std::abort();
    }
    return 0;
}
