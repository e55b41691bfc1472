#include "common/compression.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<int> choices{0};

// Counts the blocks of the runs it is given.
void counting_compression(uint32_t* state, const uint8_t*, const uint8_t*, size_t count) {
    state[0] += static_cast<uint32_t>(count);
}

// Never to be chosen: the processor's compression below is always there.
void portable_compression(uint32_t* state, const uint8_t*, const uint8_t*, size_t) {
    state[0] = 0xdead;
}

// Slow to choose, so that both threads below reach the choice before it
// is made.
Compression slow_choice() {
    choices++;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return counting_compression;
}

}  // namespace

TEST(Compression, ChosenOnceWhenTwoThreadsStartTogether) {
    using Chosen = ChosenAtFirstUse<slow_choice, portable_compression>;
    uint32_t first_thread = 0;
    uint32_t second_thread = 0;
    std::thread one([&] { Chosen::compress(&first_thread, nullptr, nullptr, 3); });
    std::thread two([&] { Chosen::compress(&second_thread, nullptr, nullptr, 5); });
    one.join();
    two.join();
    uint32_t later = 0;
    Chosen::compress(&later, nullptr, nullptr, 2);
    EXPECT_EQ(choices.load(), 1);
    EXPECT_EQ(first_thread, 3u);
    EXPECT_EQ(second_thread, 5u);
    EXPECT_EQ(later, 2u);
}
