// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// n bytes cycling through 251 values: as 251 is prime, a block taken from the
// wrong place changes the digest.
std::vector<uint8_t> pattern_bytes(size_t n);

std::vector<uint8_t> text_bytes(const std::string& text);

std::string to_hex(const uint8_t* bytes, size_t n);

// Digests computed by our engines, the message fed in pieces of `piece` bytes
// (0: in one call).
std::string md5_hex(const std::vector<uint8_t>& message, size_t piece = 0);
std::string sha256_hex(const std::vector<uint8_t>& message, size_t piece = 0);

// A file in the working directory holding `contents`, removed when the
// object goes.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& contents);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};
