#include <cstdio>

#include "cli/cli.h"

Outcome print_usage() {
    // One print per entry; the program's name is fixed, whatever argv[0] is.
    static const char* const entries[] = {
        "Usage:\n",
        "BRINDLEX <algorithm> <mode> <target>\n\n",
        "<algorithm> = The hash algorithm to use. Supply \"md5\" to generate an MD5\n",
        "              hash, or \"sha256\" to generate a SHA256 hash.\n",
        "<mode>      = Hash a string or a file. If \"s\" is supplied for the mode then\n",
        "              the following parameter will be treated as a string. If the mode\n",
        "              is set to \"f\" then the following parameter refers to a file.\n",
        "<target>    = The item that will be hashed. If the preceding parameter in an\n",
        "              \"s\" then this literal string will be passed to the program and\n",
        "              hashed. If the preceding parameter is an \"f\" then the program\n",
        "              will open and read this file and hash its contents. Be attentive\n",
        "              to shell metacharacters when hashing strings.\n\n",
        "All output from this utility is logged to STDOUT. This program takes a string\n",
        "or a file and computes its specified hash (checksum). MD5 checksums are\n",
        "calculated as a 128-bit value and displayed as 32 hexadecimal characters.\n",
        "SHA256 checksums are calculated as a 256-bit value and are displayed as 64\n",
        "hexadecimal characters.\n\n",
        "BRINDLEX version " BRINDLEX_VERSION ", written in 2026 by the BRINDLEX developers.\n",
        "brindlex@example.org, https://brindlex.example.org/\n\n",
        "By using this program you agree to the following terms:\n\n",
        "- This program is freeware, free of charge to any individual or organisation\n",
        "  for any lawful purpose.\n",
        "- It may not be resold, nor repackaged with any application or compilation\n",
        "  that is exchanged for profit.\n",
        "- It contains no malicious code and no surreptitious features.\n",
        "- It is made available as-is, without product support.\n",
        "- Its authors are not liable for any damage that results from its use.\n",
    };
    bool written = true;
    for (const char* entry : entries) {
        written = std::printf("%s", entry) >= 0 && written;
    }
    return written ? Outcome::Refused : Outcome::OutputFailed;
}
