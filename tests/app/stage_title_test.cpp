// stage_title_test.cpp -- the window title for a given or dropped stage file: the file's name, and
// what happened when it cannot be used (the built-in stage, or the stage already playing kept).
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "app/stage_title.h"
#include "world/level.h"

namespace {

TEST(StageTitle, NamesTheFileUnlessItIsTheShippedStage) {
    char title[STAGE_TITLE_SIZE];
    StageTitleFor(nullptr, title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    StageTitleFor("tools/maptool/map.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    StageTitleFor("/home/me/stages/pit.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - pit.txt");
    StageTitleFor("C:\\stages\\a\tb.txt", title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - a?b.txt");
    // A long name is cut whole characters at a time (here two-byte ones).
    char name[400] = "";
    for (int i = 0; i < 150; ++i) {
        strcat(name, "\xC3\xA9");
    }
    StageTitleFor(name, title);
    const size_t length = strlen(title);
    EXPECT_LT(length, STAGE_TITLE_SIZE);
    EXPECT_EQ((length - strlen("Shotgun-Kalvoro - ")) % 2, 0u);
}

// The width of the stage the next stage start loads.
int32_t NextStageWidth() {
    static Tilemap map;
    LevelLoadTestStage(&map);
    return map.width;
}

TEST(StageTitle, AFileThatCannotBeUsedIsSaidSoAndABadDropKeepsTheStage) {
    LevelStageSource kept;
    LevelGetStageSource(&kept);
    char title[STAGE_TITLE_SIZE];
    const int32_t builtinWidth = (LevelSetStagePath(""), NextStageWidth());
    EXPECT_EQ(StageTitleUse("/nonexistent/x.txt", 0, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - x.txt not found: built-in stage");
    EXPECT_EQ(NextStageWidth(), builtinWidth);
    const char* good = "stage_title_good.txt";
    FILE* f = fopen(good, "w");
    ASSERT_NE(f, nullptr);
    fputs("S   G\n#####\n", f);
    fclose(f);
    EXPECT_EQ(StageTitleUse(good, 1, title), 1);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - stage_title_good.txt");
    EXPECT_EQ(NextStageWidth(), 5);
    // Dropped: a folder, a missing file and one without tiles leave the good stage in place.
    EXPECT_EQ(StageTitleUse(".", 1, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - . not a file: stage kept");
    EXPECT_EQ(StageTitleUse("gone.txt", 1, title), 0);
    EXPECT_STREQ(title, "Shotgun-Kalvoro - gone.txt not found: stage kept");
    EXPECT_EQ(NextStageWidth(), 5);
    // However long the name, what happened still shows.
    char name[400] = "";
    for (int i = 0; i < 300; ++i) {
        strcat(name, "n");
    }
    StageTitleUse(name, 0, title);
    EXPECT_LT(strlen(title), STAGE_TITLE_SIZE);
    EXPECT_NE(strstr(title, "n not found: built-in stage"), nullptr) << title;
    StageTitleUse(nullptr, 0, title);
    EXPECT_STREQ(title, "Shotgun-Kalvoro");
    remove(good);
    LevelSetStageSource(&kept);
}

} // namespace
