#include "common/compression.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Two compressions that leave the same state, as every pair does, each
// also marking which one ran.
void processor_compression(uint32_t* state, const uint8_t*, const uint8_t*, size_t count) {
    state[0] += static_cast<uint32_t>(count);
    state[1] |= 1;
}
void portable_compression(uint32_t* state, const uint8_t*, const uint8_t*, size_t count) {
    state[0] += static_cast<uint32_t>(count);
    state[1] |= 2;
}

Compression processor_present() {
    return processor_compression;
}
Compression processor_absent() {
    return nullptr;
}
// A rule or a check that must not be asked.
Compression never_asked() {
    ADD_FAILURE() << "asked for a compression the setting does not call for";
    return nullptr;
}

TEST(Compression, SettingChoosesBetweenRuleRunnableAndPortable) {
    struct Case {
        const char* setting;
        Compression (*by_rule)();
        Compression (*runnable)();
        Compression expected;
    } cases[] = {
        {nullptr, processor_present, never_asked, processor_compression},
        {nullptr, processor_absent, never_asked, portable_compression},
        {"portable", never_asked, never_asked, portable_compression},
        {"hardware", never_asked, processor_present, processor_compression},
        {"hardware", never_asked, processor_absent, portable_compression},
        // Anything else leaves the choice to the rule.
        {"", processor_present, never_asked, processor_compression},
        {"Portable", processor_present, never_asked, processor_compression},
        {"portable ", processor_present, never_asked, processor_compression},
        {"avx512", processor_absent, never_asked, portable_compression},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(choose_compression(c.setting, c.by_rule, c.runnable, portable_compression),
                  c.expected)
            << (c.setting != nullptr ? c.setting : "(unset)");
    }
}

std::atomic<int> slow_choices{0};

// Slow to choose, so that both threads below reach the choice before it
// is made.
Compression slow_choice() {
    slow_choices++;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return processor_compression;
}

// Threads that arrive together each get their blocks compressed, none
// waits for another, and once the choice is made it is the one that runs.
TEST(Compression, TwoThreadsStartingTogetherEachCompress) {
    using Chosen = ChosenAtFirstUse<slow_choice, slow_choice, portable_compression>;
    uint32_t first_thread[2] = {};
    uint32_t second_thread[2] = {};
    std::thread one([&] { Chosen::compress(first_thread, nullptr, nullptr, 3); });
    std::thread two([&] { Chosen::compress(second_thread, nullptr, nullptr, 5); });
    one.join();
    two.join();
    int choices = slow_choices.load();
    uint32_t later[2] = {};
    Chosen::compress(later, nullptr, nullptr, 2);
    EXPECT_EQ(first_thread[0], 3u);
    EXPECT_EQ(second_thread[0], 5u);
    EXPECT_EQ(later[0], 2u);
    EXPECT_EQ(later[1], 1u) << "the processor's compression is there, and chosen";
    EXPECT_EQ(slow_choices.load(), choices) << "chosen again after the choice was made";
}

// A check that itself compresses (a self-test, say) while the choice is
// being made gets the portable compression instead of waiting for itself.
uint32_t inner_marks = 0;
Compression compressing_choice();
using SelfTesting = ChosenAtFirstUse<compressing_choice, compressing_choice, portable_compression>;
Compression compressing_choice() {
    uint32_t inner[2] = {};
    SelfTesting::compress(inner, nullptr, nullptr, 1);
    inner_marks = inner[1];
    return processor_compression;
}

TEST(Compression, CompressionAskedForDuringTheChoiceDoesNotWaitForIt) {
    uint32_t outer[2] = {};
    SelfTesting::compress(outer, nullptr, nullptr, 4);
    EXPECT_EQ(inner_marks, 2u);
    EXPECT_EQ(outer[0], 4u);
    EXPECT_EQ(outer[1], 1u);
}

}  // namespace
