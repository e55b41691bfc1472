#include "io/file_read_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

// A stand-in for the system: a file that opens or not, delivers `blocks`
// full blocks and then `tail` bytes, then ends; the read numbered `fails_at`
// (from 0) fails instead. Byte i of the file is i % 251. Threads are the
// platform's own, unless `threads` is false; `processors` says whether
// several are available.
struct FakeSystem {
    bool opens = true;
    int blocks = 0;
    uint32_t tail = 0;
    int fails_at = -1;
    bool threads = true;
    bool processors = true;
    int reads = 0;
    bool ended = false;       // a read has delivered the end or failed
    int reads_after_end = 0;  // reads made after that
    int closes = 0;
    int reads_at_close = 0;
    int thread_starts_tried = 0;
    int threads_started = 0;
    int threads_joined = 0;
    uint64_t offset = 0;
};
FakeSystem fake;

bool fake_open(SystemFile*, const char*) {
    return fake.opens;
}
bool fake_read(SystemFile*, uint8_t* block, uint32_t size, uint32_t* length) {
    fake.reads_after_end += fake.ended ? 1 : 0;
    int read = fake.reads++;
    if (read == fake.fails_at) {
        fake.ended = true;
        return false;
    }
    *length = read < fake.blocks ? size : read == fake.blocks ? fake.tail : 0;
    for (uint32_t i = 0; i < *length; i++) {
        block[i] = static_cast<uint8_t>((fake.offset + i) % 251);
    }
    fake.offset += *length;
    fake.ended = *length == 0;
    return true;
}
void fake_close(SystemFile*) {
    fake.closes++;
    fake.reads_at_close = fake.reads;
}
bool several_processors() {
    return fake.processors;
}
// The thread runs the reader's body, then records its end a moment later:
// a join that does not wait for the thread finds it still running.
void (*thread_body)(void*);
void* thread_argument;
std::atomic<bool> thread_ended;
void fake_thread(void*) {
    thread_body(thread_argument);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread_ended = true;
}
bool fake_start_thread(SystemThread* thread, void (*body)(void*), void* argument) {
    fake.thread_starts_tried++;
    thread_body = body;
    thread_argument = argument;
    thread_ended = false;
    if (!fake.threads || !platform_thread_calls.start(thread, fake_thread, nullptr)) {
        return false;
    }
    fake.threads_started++;
    return true;
}
// A join counts once the thread has ended.
void fake_join_thread(SystemThread* thread) {
    platform_thread_calls.join(thread);
    fake.threads_joined += thread_ended ? 1 : 0;
}
const SystemFileCalls fake_files = {fake_open, fake_read, fake_close};
const SystemThreadCalls fake_threads = {several_processors, fake_start_thread, fake_join_thread};

// Takes in the views, checking that they come in order, none larger than a
// run, and all in whole 64-byte blocks but the file's last.
struct Engine {
    int starts = 0;
    uint64_t absorbed = 0;
    bool in_order = true;
    uint32_t largest_view = 0;
    bool whole_blocks = true;
};
void start(void* engine) {
    static_cast<Engine*>(engine)->starts++;
}
void absorb(void* engine, const uint8_t* bytes, uint32_t length) {
    Engine* e = static_cast<Engine*>(engine);
    for (uint32_t i = 0; i < length; i++) {
        e->in_order = e->in_order && bytes[i] == (e->absorbed + i) % 251;
    }
    e->whole_blocks = e->whole_blocks && e->absorbed % 64 == 0;
    e->absorbed += length;
    e->largest_view = length > e->largest_view ? length : e->largest_view;
}

struct Case {
    const char* name;
    FakeSystem file;
    Outcome outcome;
    const char* output;
    int starts, closes;
    uint64_t absorbed;
    bool reads_ahead;  // whether a second thread reads, where one can start
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

constexpr uint64_t Block = ReaderBlockSize;

class ReadLoop : public ::testing::TestWithParam<Case> {};

// The same views, end of file and read error, in the same order, whether a
// second thread reads ahead or not; no read follows the end or the error;
// every path closes the file once and leaves no thread behind.
TEST_P(ReadLoop, ReportsHowTheFileEnded) {
    const Case& c = GetParam();
    enum Run { Thread, ThreadRefused, OneProcessor };
    for (Run run : {Thread, ThreadRefused, OneProcessor}) {
        fake = c.file;
        fake.threads = run != ThreadRefused;
        fake.processors = run != OneProcessor;
        Engine engine;
        ::testing::internal::CaptureStdout();
        Outcome outcome = file_read_loop("any", start, absorb, &engine, &fake_files, &fake_threads);
        std::fflush(stdout);
        SCOPED_TRACE(run == Thread          ? "reading ahead"
                     : run == ThreadRefused ? "no thread"
                                            : "one processor");
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(engine.starts, c.starts);
        EXPECT_EQ(engine.absorbed, c.absorbed);
        EXPECT_TRUE(engine.in_order);
        EXPECT_LE(engine.largest_view, AbsorbRunSize);
        EXPECT_TRUE(engine.whole_blocks);
        EXPECT_EQ(fake.reads_after_end, 0);
        EXPECT_EQ(fake.closes, c.closes);
        // Once per file: where the start is refused, the rest is read here.
        EXPECT_EQ(fake.thread_starts_tried, run != OneProcessor && c.reads_ahead ? 1 : 0);
        EXPECT_EQ(fake.threads_started, run == Thread && c.reads_ahead ? 1 : 0);
        EXPECT_EQ(fake.threads_joined, fake.threads_started);
    }
}

FakeSystem file(int blocks, uint32_t tail, int fails_at = -1) {
    FakeSystem f;
    f.blocks = blocks;
    f.tail = tail;
    f.fails_at = fails_at;
    return f;
}

const char* const ReadError = "Error: Unable to read the specified file.\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadLoop,
    ::testing::Values(
        Case{"open_fails", FakeSystem{false}, Outcome::FileError,
             "Error: Unable to open the specified file.\n", 0, 0, 0, false},
        Case{"empty", file(0, 0), Outcome::Ok, "", 1, 1, 0, false},
        // Less than a block: no thread.
        Case{"less_than_a_block", file(0, 1500), Outcome::Ok, "", 1, 1, 1500, false},
        Case{"one_full_block", file(1, 0), Outcome::Ok, "", 1, 1, Block, true},
        Case{"three_blocks_and_a_tail", file(3, 777), Outcome::Ok, "", 1, 1, 3 * Block + 777, true},
        // A failed read must not pass for the end of the file, and comes only
        // after every byte read before it.
        Case{"read_fails_at_start", file(3, 777, 0), Outcome::FileError, ReadError, 1, 1, 0, false},
        Case{"read_fails_at_the_first_block_read_ahead", file(3, 777, 1), Outcome::FileError,
             ReadError, 1, 1, Block, true},
        Case{"read_fails_midway", file(3, 777, 2), Outcome::FileError, ReadError, 1, 1, 2 * Block,
             true},
        Case{"read_fails_at_the_last_block", file(3, 777, 3), Outcome::FileError, ReadError, 1, 1,
             3 * Block, true},
        Case{"read_fails_at_the_end", file(3, 0, 3), Outcome::FileError, ReadError, 1, 1, 3 * Block,
             true}),
    [](const auto& p) { return std::string(p.param.name); });

// Closed before the end, while the second thread waits with the block ahead
// read: the close wakes it, and stops and joins it before closing the file;
// it reads nothing after. (Without the wake-up, the close waits forever.)
TEST(BlockReader, CloseBeforeTheEndStopsTheThread) {
    fake = file(3, 0);
    BlockReader reader;
    ASSERT_TRUE(block_reader_open(&reader, "any", &fake_files, &fake_threads));
    const uint8_t* view = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(block_reader_next(&reader, AbsorbRunSize, &view, &length));
    EXPECT_EQ(length, AbsorbRunSize);
    // Once the block ahead is read, a moment for the thread to reach its wait.
    for (BlockState ahead = BlockState::Free; ahead == BlockState::Free;) {
        std::this_thread::yield();
        system_lock(&reader.lock);
        ahead = reader.ahead;
        system_unlock(&reader.lock);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    block_reader_close(&reader);
    EXPECT_EQ(fake.threads_started, 1);
    EXPECT_EQ(fake.threads_joined, 1);
    EXPECT_EQ(fake.closes, 1);
    EXPECT_EQ(fake.reads, fake.reads_at_close);
}

// A regular file comes out whole, in runs of whole 64-byte blocks but the
// last, each as long as its block allows.
TEST(BlockReader, HandsOutARegularFileInRunsOfWholeBlocks) {
    const size_t size = 3 * ReaderBlockSize + 1;  // several blocks, read ahead
    TempFile temp(pattern_bytes(size));
    BlockReader reader;
    ASSERT_TRUE(
        block_reader_open(&reader, temp.path(), &platform_file_calls, &platform_thread_calls));
    std::vector<uint8_t> read_back;
    std::vector<uint32_t> lengths;
    const uint8_t* view = nullptr;
    uint32_t length = 0;
    do {
        ASSERT_TRUE(block_reader_next(&reader, AbsorbRunSize, &view, &length));
        lengths.push_back(length);
        read_back.insert(read_back.end(), view, view + length);
    } while (length != 0);
    block_reader_close(&reader);

    EXPECT_EQ(read_back, pattern_bytes(size));
    const size_t runs_per_block = (ReaderBlockSize + AbsorbRunSize - 1) / AbsorbRunSize;
    const uint32_t last_run_of_a_block =
        ReaderBlockSize - static_cast<uint32_t>(runs_per_block - 1) * AbsorbRunSize;
    ASSERT_EQ(lengths.size(), 3 * runs_per_block + 2);
    for (size_t i = 0; i + 2 < lengths.size(); i++) {
        uint32_t expected =
            i % runs_per_block + 1 == runs_per_block ? last_run_of_a_block : AbsorbRunSize;
        EXPECT_EQ(lengths[i], expected) << "run " << i;
    }
    EXPECT_EQ(lengths[lengths.size() - 2], 1u);
    EXPECT_EQ(lengths.back(), 0u);
}

// End of file leaves errno as it was: an EINTR left over from an earlier call
// must not send the read round again. (A loop here ends at the test's timeout.)
TEST(BlockReader, EndOfFileRightAfterAnInterruptedCall) {
    TempFile temp({});
    BlockReader reader;
    ASSERT_TRUE(
        block_reader_open(&reader, temp.path(), &platform_file_calls, &platform_thread_calls));
    const uint8_t* view = nullptr;
    uint32_t length = 1;
    errno = EINTR;
    EXPECT_TRUE(block_reader_next(&reader, AbsorbRunSize, &view, &length));
    EXPECT_EQ(length, 0u);
    block_reader_close(&reader);
}

}  // namespace
