#include "sha256/sha256_jobs.h"

#include <cstdio>
#include <cstring>

#include "io/file_read_loop.h"
#include "sha256/sha256.h"

namespace {

void start(void* engine) {
    sha256_init(static_cast<Sha256Context*>(engine));
}

void absorb(void* engine, const uint8_t* bytes, uint32_t length) {
    sha256_update(static_cast<Sha256Context*>(engine), bytes, length);
}

// Builds the 64 hex digits in a local text and prints the line in one print.
Outcome print_digest_line(const uint8_t digest[32]) {
    char digest_text[100] = "";
    char scratch[8];
    for (size_t i = 0; i < 32; i++) {
        // Append the two digits and their terminating zero.
        std::snprintf(scratch, sizeof scratch, "%02x", digest[i]);
        std::memcpy(digest_text + 2 * i, scratch, 3);
    }
    return after_print(std::printf("%s\n", digest_text), Outcome::Ok);
}

}  // namespace

Outcome sha256_string_job(const char* text) {
    // The front end limits targets to a few thousand bytes.
    uint32_t length = static_cast<uint32_t>(std::strlen(text));
    Sha256Context context;
    uint8_t digest[32];
    sha256_init(&context);
    sha256_update(&context, reinterpret_cast<const uint8_t*>(text), length);
    sha256_final(&context, digest);
    return print_digest_line(digest);
}

Outcome sha256_file_job(const char* path) {
    // The context is started only once the file is open.
    Sha256Context context;
    uint8_t digest[32];
    Outcome reading = file_read_loop(path, start, absorb, &context);
    if (reading != Outcome::Ok) {
        return reading;
    }
    sha256_final(&context, digest);
    return print_digest_line(digest);
}
