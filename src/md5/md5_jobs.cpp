#include "md5/md5_jobs.h"

#include <cstdio>
#include <cstring>

#include "io/file_read_loop.h"

namespace {

void absorb(void* engine, const uint8_t* bytes, uint32_t length) {
    md5_update(static_cast<Md5Context*>(engine), bytes, length);
}

}  // namespace

Outcome md5_string_job(const char* text) {
    // The front end limits targets to a few thousand bytes.
    uint32_t length = static_cast<uint32_t>(std::strlen(text));
    Md5Context context;
    md5_init(&context);
    md5_update(&context, reinterpret_cast<const uint8_t*>(text), length);
    md5_final(&context);
    return md5_print_digest(&context);
}

Outcome md5_file_job(const char* path) {
    Md5Context context;
    md5_init(&context);
    Outcome reading = file_read_loop(path, nullptr, absorb, &context);
    if (reading != Outcome::Ok) {
        return reading;
    }
    md5_final(&context);
    return md5_print_digest(&context);
}

Outcome md5_print_digest(const Md5Context* context) {
    bool written = true;
    for (uint8_t byte : context->digest) {
        written = std::printf("%02x", byte) >= 0 && written;
    }
    written = std::printf("\n") >= 0 && written;
    return written ? Outcome::Ok : Outcome::OutputFailed;
}
