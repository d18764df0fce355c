// safe_output_test.cpp -- a tool's output takes its target's place only when complete.
#include "tools/common/safe_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST(SafeOutput, TheTargetChangesOnlyWhenTheOutputIsComplete) {
    const std::string target = "safe_output_test.txt";
    std::ofstream(target) << "before";
    SafeOutput out;
    for (int ok = 0; ok <= 1; ++ok) {
        ASSERT_EQ(SafeOutputOpen(&out, target.c_str(), nullptr, 0), 1);
        fputs("after", out.file);
        EXPECT_EQ(ReadText(target), "before");
        EXPECT_EQ(SafeOutputClose(&out, ok), ok);
        EXPECT_FALSE(std::filesystem::exists(target + ".tmp0")); // never left behind
    }
    EXPECT_EQ(ReadText(target), "after");
    std::filesystem::remove(target);
}

} // namespace
