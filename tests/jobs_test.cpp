// The four jobs, checked through what they really print on standard output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "md5/md5_jobs.h"
#include "sha256/sha256_jobs.h"
#include "test_support.h"

namespace {

struct JobSet {
    const char* name;
    Outcome (*string_job)(const char*);
    Outcome (*file_job)(const char*);
    std::string (*one_shot)(const std::vector<uint8_t>&, size_t);
};

const JobSet algorithms[] = {
    {"md5", md5_string_job, md5_file_job, md5_hex},
    {"sha256", sha256_string_job, sha256_file_job, sha256_hex},
};

struct Printed {
    Outcome outcome;
    std::string output;
};

Printed run(Outcome (*job)(const char*), const char* argument) {
    ::testing::internal::CaptureStdout();
    Outcome outcome = job(argument);
    std::fflush(stdout);
    return {outcome, ::testing::internal::GetCapturedStdout()};
}

class Jobs : public ::testing::TestWithParam<JobSet> {
protected:
    std::string line_for(const std::vector<uint8_t>& bytes) {
        return GetParam().one_shot(bytes, 0) + "\n";
    }
};

TEST_P(Jobs, StringJobPrintsOneLowercaseLine) {
    const std::string texts[] = {"", "abc", "\x80\xff\x01 high bytes", std::string(3000, 'x')};
    for (const std::string& text : texts) {
        Printed printed = run(GetParam().string_job, text.c_str());
        EXPECT_EQ(printed.outcome, Outcome::Ok);
        EXPECT_EQ(printed.output, line_for(text_bytes(text))) << text.size() << " bytes";
    }
}

TEST_P(Jobs, DigestLineKeepsLeadingZerosAndNeverSignExtends) {
    // Both digests of abc hold the byte 0x01 and bytes of 0x80 and above.
    Printed printed = run(GetParam().string_job, "abc");
    const std::string expected = std::string(GetParam().name) == "md5"
                                     ? "900150983cd24fb0d6963f7d28e17f72\n"
                                     : "ba7816bf8f01cfea414140de5dae2223"
                                       "b00361a396177a9cb410ff61f20015ad\n";
    EXPECT_EQ(printed.output, expected);
}

TEST_P(Jobs, FileJobHashesTheRawBytes) {
    const std::vector<uint8_t> contents[] = {
        {},
        text_bytes("abc"),
        text_bytes("line one\r\nline two\r\n"),
        pattern_bytes(500),
        pattern_bytes(501),
        pattern_bytes(3 * 1024 * 1024 + 7),
    };
    for (const auto& bytes : contents) {
        TempFile file(bytes);
        Printed printed = run(GetParam().file_job, file.path());
        EXPECT_EQ(printed.outcome, Outcome::Ok);
        EXPECT_EQ(printed.output, line_for(bytes)) << bytes.size() << " bytes";
    }
}

TEST_P(Jobs, FileThatCannotBeOpenedPrintsOnlyTheOpenMessage) {
    const char* paths[] = {"no_such_file_here", "", "."};
    for (const char* path : paths) {
        Printed printed = run(GetParam().file_job, path);
        EXPECT_EQ(printed.outcome, Outcome::FileError) << "path '" << path << "'";
        EXPECT_EQ(printed.output, "Error: Unable to open the specified file.\n");
    }
}

INSTANTIATE_TEST_SUITE_P(BothAlgorithms, Jobs, ::testing::ValuesIn(algorithms),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
