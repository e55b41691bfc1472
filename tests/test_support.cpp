#include "test_support.h"

#include <cstdio>

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

// Feeds `message` to `update` in pieces of `piece` bytes, or whole when 0.
template <typename Context, typename Update>
void feed(Context* context, Update update, const std::vector<uint8_t>& message, size_t piece) {
    if (piece == 0) {
        update(context, message.data(), static_cast<uint32_t>(message.size()));
        return;
    }
    for (size_t at = 0; at < message.size(); at += piece) {
        size_t n = message.size() - at < piece ? message.size() - at : piece;
        update(context, message.data() + at, static_cast<uint32_t>(n));
    }
}

}  // namespace

std::string md5_hex(const std::vector<uint8_t>& message, size_t piece) {
    Md5Context context;
    md5_init(&context);
    feed(&context, md5_update, message, piece);
    md5_final(&context);
    return to_hex(context.digest, 16);
}

std::string sha256_hex(const std::vector<uint8_t>& message, size_t piece) {
    Sha256Context context;
    uint8_t digest[32];
    sha256_init(&context);
    feed(&context, sha256_update, message, piece);
    sha256_final(&context, digest);
    return to_hex(digest, 32);
}

TempFile::TempFile(const std::vector<uint8_t>& contents) {
    static int serial = 0;
    path_ = "brindlex_test_file_" + std::to_string(++serial);
    FILE* file = std::fopen(path_.c_str(), "wb");
    if (file != nullptr) {
        if (!contents.empty()) {
            std::fwrite(contents.data(), 1, contents.size(), file);
        }
        std::fclose(file);
    }
}

TempFile::~TempFile() {
    std::remove(path_.c_str());
}
