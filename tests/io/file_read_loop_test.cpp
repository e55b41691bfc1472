#include "io/file_read_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A stand-in file: opens or not, delivers `pieces` full pieces, then either
// ends or fails; counts the calls it sees.
struct FakeFile {
    bool opens = true;
    int pieces = 0;
    bool fails_after_pieces = false;
    int reads = 0;
    int closes = 0;
    uint32_t largest_request = 0;
};
FakeFile fake;

bool fake_open(PlatformFile*, const char*) {
    return fake.opens;
}
bool fake_read(PlatformFile*, uint8_t* buffer, uint32_t size, uint32_t* delivered) {
    fake.largest_request = size > fake.largest_request ? size : fake.largest_request;
    *delivered = 0;
    if (fake.reads++ < fake.pieces) {
        for (uint32_t i = 0; i < size; i++) {
            buffer[i] = 'x';
        }
        *delivered = size;
        return true;
    }
    return !fake.fails_after_pieces;
}
void fake_close(PlatformFile*) {
    fake.closes++;
}
const FileAccess fake_access = {fake_open, fake_read, fake_close};

struct Engine {
    int starts = 0;
    uint64_t absorbed = 0;
};
void start(void* engine) {
    static_cast<Engine*>(engine)->starts++;
}
void absorb(void* engine, const uint8_t*, uint32_t length) {
    static_cast<Engine*>(engine)->absorbed += length;
}

struct Case {
    const char* name;
    FakeFile file;
    Outcome outcome;
    const char* output;
    int starts, closes;
    uint64_t absorbed;
};

class ReadLoop : public ::testing::TestWithParam<Case> {};

TEST_P(ReadLoop, ReportsHowTheFileEnded) {
    const Case& c = GetParam();
    fake = c.file;
    Engine engine;
    ::testing::internal::CaptureStdout();
    Outcome outcome = file_read_loop("any", start, absorb, &engine, &fake_access);
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(engine.starts, c.starts);
    EXPECT_EQ(engine.absorbed, c.absorbed);
    EXPECT_EQ(fake.closes, c.closes);
    EXPECT_LE(fake.largest_request, ReadChunkSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLoop,
    ::testing::Values(Case{"open_fails",
                           {false, 0, false},
                           Outcome::FileError,
                           "Error: Unable to open the specified file.\n",
                           0,
                           0,
                           0},
                      Case{"empty", {true, 0, false}, Outcome::Ok, "", 1, 1, 0},
                      Case{"three_pieces", {true, 3, false}, Outcome::Ok, "", 1, 1, 1500},
                      // A failed read must not pass for the end of the file.
                      Case{"read_fails_at_start",
                           {true, 0, true},
                           Outcome::FileError,
                           "Error: Unable to read the specified file.\n",
                           1,
                           1,
                           0},
                      Case{"read_fails_midway",
                           {true, 2, true},
                           Outcome::FileError,
                           "Error: Unable to read the specified file.\n",
                           1,
                           1,
                           1000}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PlatformFileAccess, HandsOutWholePiecesOfARegularFile) {
    const size_t size = 200001;  // spans several of the POSIX side's blocks
    TempFile temp(pattern_bytes(size));
    PlatformFile file;
    ASSERT_TRUE(platform_file_access.open(&file, temp.path()));
    uint8_t buffer[ReadBufferSize];
    std::vector<uint8_t> read_back;
    std::vector<uint32_t> sizes;
    uint32_t delivered = 0;
    do {
        ASSERT_TRUE(platform_file_access.read(&file, buffer, ReadChunkSize, &delivered));
        sizes.push_back(delivered);
        read_back.insert(read_back.end(), buffer, buffer + delivered);
    } while (delivered != 0);
    platform_file_access.close(&file);

    EXPECT_EQ(read_back, pattern_bytes(size));
    ASSERT_EQ(sizes.size(), size / ReadChunkSize + 2);
    for (size_t i = 0; i + 2 < sizes.size(); i++) {
        EXPECT_EQ(sizes[i], ReadChunkSize) << "piece " << i;
    }
    EXPECT_EQ(sizes[sizes.size() - 2], 1u);
    EXPECT_EQ(sizes.back(), 0u);
}

}  // namespace
