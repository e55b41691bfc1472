// Test vectors published by others, read where Debian's
// python3-cryptography-vectors installs them: NIST's byte-oriented SHA-256
// short, long and Monte Carlo messages, and RFC 1321's MD5 suite.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "md5/md5.h"
#include "sha256/sha256.h"
#include "test_support.h"

namespace {

std::string vectors_dir() {
    return BRINDLEX_VECTORS_DIR;
}

struct Vector {
    std::vector<uint8_t> message;
    std::string digest;
};

std::vector<uint8_t> from_hex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Reads the "Len = / Msg = / MD =" records of a response file.
std::vector<Vector> read_vectors(const std::string& path) {
    std::vector<Vector> vectors;
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return vectors;
    }
    static char line[1 << 16];
    size_t length = 0;
    std::string message_hex;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        if (text.rfind("Len = ", 0) == 0) {
            length = std::stoul(text.substr(6)) / 8;
        } else if (text.rfind("Msg = ", 0) == 0) {
            message_hex = text.substr(6, 2 * length);
        } else if (text.rfind("MD = ", 0) == 0) {
            vectors.push_back({from_hex(message_hex), text.substr(5)});
        }
    }
    std::fclose(file);
    return vectors;
}

void check_all(const std::string& file, std::string (*hex)(const std::vector<uint8_t>&, size_t),
               size_t expected_count) {
    std::vector<Vector> vectors = read_vectors(vectors_dir() + file);
    EXPECT_EQ(vectors.size(), expected_count);
    for (const Vector& v : vectors) {
        EXPECT_EQ(hex(v.message, 0), v.digest) << v.message.size() << " bytes";
        EXPECT_EQ(hex(v.message, 500), v.digest) << v.message.size() << " bytes in 500s";
        EXPECT_EQ(hex(v.message, 1), v.digest) << v.message.size() << " bytes one at a time";
    }
}

TEST(PublishedVectors, Md5Rfc1321) {
    check_all("/MD5/rfc-1321.txt", md5_hex, 7);
}

TEST(PublishedVectors, Sha256ShortMessages) {
    check_all("/SHA2/SHA256ShortMsg.rsp", sha256_hex, 65);
}

TEST(PublishedVectors, Sha256LongMessages) {
    check_all("/SHA2/SHA256LongMsg.rsp", sha256_hex, 64);
}

TEST(PublishedVectors, Sha256MonteCarlo) {
    // From the seed, each checkpoint is the 1003rd of a chain in which every
    // message is the previous three digests.
    FILE* file = std::fopen((vectors_dir() + "/SHA2/SHA256Monte.rsp").c_str(), "r");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> seed;
    std::vector<std::string> checkpoints;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        text.erase(text.find_last_not_of("\r\n") + 1);
        if (text.rfind("Seed = ", 0) == 0) {
            seed = from_hex(text.substr(7));
        } else if (text.rfind("MD = ", 0) == 0) {
            checkpoints.push_back(text.substr(5));
        }
    }
    std::fclose(file);
    ASSERT_EQ(checkpoints.size(), 100u);

    for (const std::string& checkpoint : checkpoints) {
        std::vector<uint8_t> md[3] = {seed, seed, seed};
        for (int i = 3; i < 1003; i++) {
            uint8_t message[96];
            std::memcpy(message, md[0].data(), 32);
            std::memcpy(message + 32, md[1].data(), 32);
            std::memcpy(message + 64, md[2].data(), 32);
            Sha256Context context;
            uint8_t digest[32];
            sha256_init(&context);
            sha256_update(&context, message, 96);
            sha256_final(&context, digest);
            md[0] = md[1];
            md[1] = md[2];
            md[2].assign(digest, digest + 32);
        }
        seed = md[2];
        ASSERT_EQ(to_hex(seed.data(), 32), checkpoint);
    }
}

}  // namespace
