// The entry point driven in-process, for what a real command line cannot
// carry.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string run(int argc, const char* const* argv, Outcome* outcome) {
    ::testing::internal::CaptureStdout();
    *outcome = brindlex_main(argc, argv);
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST(EntryPoint, OneMebibyteTargetGetsOnlyTheLengthMessage) {
    std::string huge(1024 * 1024, 'x');
    const char* argv[] = {"BRINDLEX", "sha256", "s", huge.c_str()};
    Outcome outcome;
    EXPECT_EQ(run(4, argv, &outcome),
              "Error: The length of the target parameter cannot exceed 3000 characters.\n");
    EXPECT_EQ(outcome, Outcome::Refused);
}

TEST(EntryPoint, UsageDoesNotFollowTheInvokedName) {
    const char* plain[] = {"BRINDLEX"};
    const char* renamed[] = {"/some/where/other-name.exe", "md5"};
    Outcome first;
    Outcome second;
    std::string usage = run(1, plain, &first);
    EXPECT_EQ(run(2, renamed, &second), usage);
    EXPECT_EQ(usage.rfind("Usage:\nBRINDLEX <algorithm> <mode> <target>\n\n", 0), 0u);
    EXPECT_EQ(first, Outcome::Refused);
    EXPECT_EQ(second, Outcome::Refused);
}

TEST(EntryPoint, LaterRunsDoNotSeeAnEarlierLongerTarget) {
    // The target buffer is reused: a shorter target must not pick up the tail
    // of a longer one.
    const char* longer[] = {"BRINDLEX", "md5", "s", "abcdef"};
    const char* shorter[] = {"BRINDLEX", "md5", "s", "abc"};
    Outcome outcome;
    run(4, longer, &outcome);
    EXPECT_EQ(run(4, shorter, &outcome), "900150983cd24fb0d6963f7d28e17f72\n");
    EXPECT_EQ(outcome, Outcome::Ok);
}

}  // namespace
