// Helpers shared by the unit tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/compression.h"

// n bytes cycling through 251 values: as 251 is prime, a block taken from the
// wrong place changes the digest.
std::vector<uint8_t> pattern_bytes(size_t n);

std::vector<uint8_t> text_bytes(const std::string& text);

std::string to_hex(const uint8_t* bytes, size_t n);

// Digests computed by our engines, the message fed in pieces of `piece` bytes
// (0: in one call).
std::string md5_hex(const std::vector<uint8_t>& message, size_t piece = 0);
std::string sha256_hex(const std::vector<uint8_t>& message, size_t piece = 0);
using HexFunction = std::string (*)(const std::vector<uint8_t>&, size_t);

// The same, the message fed in two calls split at `split`.
std::string md5_hex_split(const std::vector<uint8_t>& message, size_t split);
std::string sha256_hex_split(const std::vector<uint8_t>& message, size_t split);
using SplitHexFunction = std::string (*)(const std::vector<uint8_t>&, size_t);

struct Golden {
    std::string name;
    std::vector<uint8_t> message;
    const char* digest;
};

struct PatternDigest {
    size_t length;
    const char* digest;
};

// Adds a vector for each entry: the first `length` bytes of the pattern.
void add_pattern_vectors(std::vector<Golden>* table, const std::vector<PatternDigest>& entries);

// Checks the vector's digest in one call and in pieces of 1, 63, 64, 65 and
// 500 bytes.
void expect_one_shot_and_streamed(const Golden& golden, HexFunction hex);

// Checks that splitting a 200-byte message at every point gives the
// one-shot digest.
void expect_every_split_point_agrees(HexFunction hex, SplitHexFunction split_hex);

// The message padded as MD5 and SHA-256 pad it: 0x80, zero bytes up to 56
// mod 64, then the length in bits in 8 bytes, most significant first where
// `big_endian`, else least significant first.
std::vector<uint8_t> padded(const std::vector<uint8_t>& message, bool big_endian);

// From random states, over random runs of 1 to 8 blocks, after a first block
// held elsewhere in every other round, `other` leaves the state `reference`
// leaves.
void expect_same_state_after_random_runs(Compression reference, Compression other,
                                         size_t state_words);

// A file in the working directory holding `contents`, named for the test
// that makes it, removed when the object goes.
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
