// Random data in random pieces must give the one-shot digest of an
// independent implementation (OpenSSL's, linked into this fuzzer only).
// Built twice: BRINDLEX_FUZZ_SHA256 picks the engine. The same pieces also go
// through the plain byte-by-byte update with the portable compression, and
// the two records must be identical after every piece, whichever
// compression the engine runs and however it takes the blocks.
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef BRINDLEX_FUZZ_SHA256
#include "sha256/sha256.h"
#include "sha256/sha256_model.h"
constexpr size_t DigestSize = 32;
using Context = Sha256Context;
static void start(Context* c) {
    sha256_init(c);
}
static void update(Context* c, const uint8_t* d, uint32_t n) {
    sha256_update(c, d, n);
}
static void model_update(Context* c, const uint8_t* d, uint32_t n) {
    sha256_model_update(c, d, n);
}
static void finish(Context* c, uint8_t* out) {
    sha256_final(c, out);
}
static const EVP_MD* oracle() {
    return EVP_sha256();
}
#else
#include "md5/md5.h"
#include "md5/md5_model.h"
constexpr size_t DigestSize = 16;
using Context = Md5Context;
static void start(Context* c) {
    md5_init(c);
}
static void update(Context* c, const uint8_t* d, uint32_t n) {
    md5_update(c, d, n);
}
static void model_update(Context* c, const uint8_t* d, uint32_t n) {
    md5_model_update(c, d, n);
}
static void finish(Context* c, uint8_t* out) {
    md5_final(c);
    std::memcpy(out, c->digest, DigestSize);
}
static const EVP_MD* oracle() {
    return EVP_md5();
}
#endif

static Context model;

static void absorb(Context* c, const uint8_t* d, uint32_t n) {
    update(c, d, n);
    model_update(&model, d, n);
    if (std::memcmp(c, &model, sizeof model) != 0) {
        std::abort();
    }
}

// The first bytes choose the piece sizes, the rest is the message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    uint8_t seeds[4];
    std::memcpy(seeds, data, 4);
    const uint8_t* message = data + 4;
    size_t length = size - 4;

    uint8_t expected[EVP_MAX_MD_SIZE];
    unsigned int expected_size = 0;
    EVP_Digest(message, length, expected, &expected_size, oracle(), nullptr);

    Context context;
    std::memset(&context, seeds[0], sizeof context);  // leftovers must not matter
    start(&context);
    model = context;
    size_t at = 0;
    for (size_t turn = 0; at < length; turn++) {
        size_t piece = 1 + (seeds[turn % 4] * 7u + turn) % 700;
        if (piece > length - at) {
            piece = length - at;
        }
        absorb(&context, message + at, static_cast<uint32_t>(piece));
        if (seeds[1] & 1) {
            absorb(&context, message + at, 0);
        }
        at += piece;
    }
    uint8_t digest[DigestSize];
    finish(&context, digest);
    if (expected_size != DigestSize || std::memcmp(digest, expected, DigestSize) != 0) {
        std::abort();
    }
    return 0;
}
