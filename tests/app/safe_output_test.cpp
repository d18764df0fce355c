// safe_output_test.cpp -- a tool's output takes its target's place only when complete.
#include "app/safe_output.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>

#include <chrono>
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

// Through a symbolic link (relative, in a chain) the file it names is written and the links stay links.
TEST(SafeOutput, WritingThroughALinkKeepsTheLink) {
    namespace fs = std::filesystem;
    const std::string dir = "safe_output_links";
    fs::remove_all(dir);
    fs::create_directories(dir + "/stages");
    std::ofstream(dir + "/stages/real.txt") << "before";
    fs::create_symlink("stages/real.txt", dir + "/first");
    fs::create_symlink("first", dir + "/second");
    SafeOutput out;
    ASSERT_EQ(SafeOutputOpen(&out, (dir + "/second").c_str(), nullptr, 0), 1);
    fputs("after", out.file);
    ASSERT_EQ(SafeOutputClose(&out, 1), 1);
    EXPECT_TRUE(fs::is_symlink(dir + "/second"));
    EXPECT_TRUE(fs::is_symlink(dir + "/first"));
    EXPECT_EQ(ReadText(dir + "/stages/real.txt"), "after");
    fs::remove_all(dir);
}

TEST(SafeOutput, OneFileUnderTwoNamesIsCaught) {
    const std::string dir = "safe_output_names";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    std::ofstream(dir + "/stage.txt") << "S G\n###\n";
    std::filesystem::create_symlink("stage.txt", dir + "/link.txt");
    std::filesystem::create_hard_link(dir + "/stage.txt", dir + "/hard.txt");
    const std::string stage = dir + "/stage.txt";
    for (const std::string& other : {stage, dir + "/./stage.txt", dir + "/../" + dir + "/stage.txt",
                                     dir + "/link.txt", dir + "/hard.txt"}) {
        EXPECT_TRUE(SafeOutputSameFile(stage.c_str(), other.c_str())) << other;
    }
    // Neither there yet: the same once spelled out.
    EXPECT_TRUE(SafeOutputSameFile((dir + "/new.png").c_str(), (dir + "/./new.png").c_str()));
    EXPECT_FALSE(SafeOutputSameFile((dir + "/new.png").c_str(), stage.c_str()));
    EXPECT_FALSE(SafeOutputSameFile((dir + "/a.png").c_str(), (dir + "/b.png").c_str()));

    char why[512] = "";
    const std::string out = dir + "/./stage.txt";
    const std::string route = dir + "/route.png";
    const char* others[] = {nullptr, "-", route.c_str(), stage.c_str()};
    EXPECT_EQ(SafeOutputDistinct(out.c_str(), others, 3, why, sizeof(why)), 1);
    EXPECT_EQ(SafeOutputDistinct(out.c_str(), others, 4, why, sizeof(why)), 0);
    EXPECT_NE(strstr(why, "are the same file"), nullptr) << why;
    EXPECT_EQ(SafeOutputDistinct("-", others, 4, why, sizeof(why)), 1); // standard output
    std::filesystem::remove_all(dir);
}

TEST(SafeOutput, LeftoverTemporariesAreClearedAndTheModeIsKept) {
    const std::string target = "safe_output_left.wav";
    std::ofstream(target) << "before";
    std::filesystem::permissions(target,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // A hundred temporaries from tools stopped while writing: fresh ones block every name, and say so.
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (int i = 0; i < 100; ++i) {
        const std::string temp = target + ".tmp" + std::to_string(i);
        std::ofstream(temp) << "partial";
    }
    SafeOutput out;
    char why[512] = "";
    EXPECT_EQ(SafeOutputOpen(&out, target.c_str(), why, sizeof(why)), 0);
    EXPECT_NE(strstr(why, "safe_output_left.wav.tmp0 to .tmp99 all exist"), nullptr) << why;
    // Once nobody has written to them for a while they are a stopped tool's and go at the next write.
    for (int i = 0; i < 100; ++i) {
        std::filesystem::last_write_time(target + ".tmp" + std::to_string(i), old);
    }
    ASSERT_EQ(SafeOutputOpen(&out, target.c_str(), why, sizeof(why)), 1) << why;
    fputs("after", out.file);
    ASSERT_EQ(SafeOutputClose(&out, 1), 1);
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(std::filesystem::exists(target + ".tmp" + std::to_string(i))) << i;
    }
    EXPECT_EQ(ReadText(target), "after");
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::remove(target);
}

TEST(SafeOutput, AMissingFolderIsFoundBeforeAnyWorkWithTheSystemsReason) {
    char why[512] = "";
    EXPECT_EQ(SafeOutputWritable("safe_output_no_such_folder/route.txt", why, sizeof(why)), 0);
    EXPECT_NE(strstr(why, "safe_output_no_such_folder/route.txt.tmp0"), nullptr) << why;
    EXPECT_NE(strstr(why, strerror(ENOENT)), nullptr) << why;
    EXPECT_EQ(SafeOutputWritable("safe_output_here.txt", why, sizeof(why)), 1);
    EXPECT_FALSE(std::filesystem::exists("safe_output_here.txt")); // a probe leaves nothing
    EXPECT_FALSE(std::filesystem::exists("safe_output_here.txt.tmp0"));
}

} // namespace
