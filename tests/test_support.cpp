#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "md5/md5.h"
#include "sha256/sha256.h"

std::vector<uint8_t> pattern_bytes(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++) {
        bytes[i] = static_cast<uint8_t>(i % 251);
    }
    return bytes;
}

std::vector<uint8_t> text_bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string to_hex(const uint8_t* bytes, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < n; i++) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

namespace {

// The sizes of the pieces: all of `piece` bytes but the last (0: one piece).
std::vector<size_t> even_pieces(size_t length, size_t piece) {
    if (piece == 0) {
        return {length};
    }
    std::vector<size_t> pieces;
    for (size_t at = 0; at < length; at += piece) {
        pieces.push_back(length - at < piece ? length - at : piece);
    }
    return pieces;
}

std::string md5_pieces(const std::vector<uint8_t>& message, const std::vector<size_t>& pieces) {
    Md5Context context;
    md5_init(&context);
    size_t at = 0;
    for (size_t n : pieces) {
        md5_update(&context, message.data() + at, static_cast<uint32_t>(n));
        at += n;
    }
    md5_final(&context);
    return to_hex(context.digest, 16);
}

std::string sha256_pieces(const std::vector<uint8_t>& message, const std::vector<size_t>& pieces) {
    Sha256Context context;
    uint8_t digest[32];
    sha256_init(&context);
    size_t at = 0;
    for (size_t n : pieces) {
        sha256_update(&context, message.data() + at, static_cast<uint32_t>(n));
        at += n;
    }
    sha256_final(&context, digest);
    return to_hex(digest, 32);
}

}  // namespace

std::string md5_hex(const std::vector<uint8_t>& message, size_t piece) {
    return md5_pieces(message, even_pieces(message.size(), piece));
}

std::string sha256_hex(const std::vector<uint8_t>& message, size_t piece) {
    return sha256_pieces(message, even_pieces(message.size(), piece));
}

std::string md5_hex_split(const std::vector<uint8_t>& message, size_t split) {
    return md5_pieces(message, {split, message.size() - split});
}

std::string sha256_hex_split(const std::vector<uint8_t>& message, size_t split) {
    return sha256_pieces(message, {split, message.size() - split});
}

void add_pattern_vectors(std::vector<Golden>* table, const std::vector<PatternDigest>& entries) {
    for (const PatternDigest& entry : entries) {
        table->push_back(
            {"pattern_" + std::to_string(entry.length), pattern_bytes(entry.length), entry.digest});
    }
}

void expect_one_shot_and_streamed(const Golden& golden, HexFunction hex) {
    EXPECT_EQ(hex(golden.message, 0), golden.digest);
    for (size_t piece : {1u, 63u, 64u, 65u, 500u}) {
        EXPECT_EQ(hex(golden.message, piece), golden.digest) << "pieces of " << piece;
    }
}

void expect_every_split_point_agrees(HexFunction hex, SplitHexFunction split_hex) {
    std::vector<uint8_t> message = pattern_bytes(200);
    std::string expected = hex(message, 0);
    for (size_t split = 0; split <= message.size(); split++) {
        EXPECT_EQ(split_hex(message, split), expected) << "split at " << split;
    }
}

std::vector<uint8_t> padded(const std::vector<uint8_t>& message, bool big_endian) {
    std::vector<uint8_t> blocks = message;
    blocks.push_back(0x80);
    while (blocks.size() % 64 != 56) {
        blocks.push_back(0);
    }
    uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
    for (int i = 0; i < 8; i++) {
        int shift = big_endian ? 56 - 8 * i : 8 * i;
        blocks.push_back(static_cast<uint8_t>(bits >> shift));
    }
    return blocks;
}

void expect_same_state_after_random_runs(Compression reference, Compression other,
                                         size_t state_words) {
    std::mt19937 random(2026);
    for (int round = 0; round < 2000; round++) {
        bool with_first = round % 2 == 1;
        size_t count = 1 + static_cast<size_t>(round / 2) % 8;
        uint8_t first[64];
        uint8_t blocks[8 * 64];
        uint32_t expected[8];
        for (uint8_t& byte : first) {
            byte = static_cast<uint8_t>(random());
        }
        for (uint8_t& byte : blocks) {
            byte = static_cast<uint8_t>(random());
        }
        for (uint32_t& word : expected) {
            word = static_cast<uint32_t>(random());
        }
        uint32_t actual[8];
        std::memcpy(actual, expected, sizeof expected);
        reference(expected, with_first ? first : nullptr, blocks, count);
        other(actual, with_first ? first : nullptr, blocks, count);
        ASSERT_EQ(std::memcmp(expected, actual, state_words * 4), 0) << "round " << round;
    }
}

TempFile::TempFile(const std::vector<uint8_t>& contents) {
    // Named for the running test as well: ctest runs each test as a process
    // of its own, side by side in this one folder.
    static int serial = 0;
    path_ = "brindlex_test_file_";
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test != nullptr) {
        path_ += std::string(test->test_suite_name()) + "." + test->name() + "_";
    }
    for (char& c : path_) {
        if (c == '/') {
            c = '_';
        }
    }
    path_ += std::to_string(++serial);
    FILE* file = std::fopen(path_.c_str(), "wb");
    bool written = file != nullptr &&
                   (contents.empty() ||
                    std::fwrite(contents.data(), 1, contents.size(), file) == contents.size());
    if (file != nullptr && std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        ADD_FAILURE() << "could not write the test file " << path_;
    }
}

TempFile::~TempFile() {
    std::remove(path_.c_str());
}
