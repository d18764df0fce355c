// safe_output_test.cpp -- a tool's output replaces its target only when complete, and never what is
// not a regular file.
#include "tools/common/safe_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "tools/common/png_writer.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SafeOutput, ReplacesOnlyWhenCompleteAndRefusesWhatIsNotAFile) {
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("kalvoro-safe-" + std::to_string(random()));
    fs::create_directories(dir / "folder.png");
    const std::string target = (dir / "out.txt").string();
    std::ofstream(target) << "before";

    SafeOutput out;
    ASSERT_EQ(SafeOutputOpen(&out, target.c_str(), nullptr, 0), 1);
    fputs("half", out.file);
    EXPECT_EQ(ReadText(target), "before");
    EXPECT_EQ(SafeOutputClose(&out, 0), 0); // a failed write: the target stays
    EXPECT_EQ(ReadText(target), "before");

    ASSERT_EQ(SafeOutputOpen(&out, target.c_str(), nullptr, 0), 1);
    fputs("after", out.file);
    EXPECT_EQ(SafeOutputClose(&out, 1), 1);
    EXPECT_EQ(ReadText(target), "after");

    char why[320] = "";
    const std::string folder = (dir / "folder.png").string();
    EXPECT_EQ(SafeOutputOpen(&out, folder.c_str(), why, sizeof(why)), 0);
    EXPECT_NE(strstr(why, "is a folder"), nullptr) << why;
    const uint32_t pixel = 0x123456;
    EXPECT_EQ(PngWrite(folder.c_str(), &pixel, 1, 1), 0);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(SafeOutputAllowed("/dev/null", why, sizeof(why)), 0);
    // Only the target ever remains: no temporary file is left behind either way.
    size_t entries = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
    fs::remove_all(dir);
}

} // namespace
