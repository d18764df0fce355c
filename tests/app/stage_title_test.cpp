// stage_title_test.cpp -- the window title for a given or dropped stage file: the file's name, and
// what happened when it cannot be used (the built-in stage, or the stage already playing kept).
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <filesystem>

#include "app/editor.h"
#include "app/main.h"
#include "app/stage_open.h"
#include "app/stage_set.h"
#include "backends/headless/headless.h"
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

// What a given or dropped file means, with the title and the message it gets.
TEST(StageOpen, AFileThatCannotBeUsedIsSaidSoAndABadDropKeepsTheStage) {
    LevelStageSource kept;
    LevelGetStageSource(&kept);
    PlatformWindow* window = HeadlessOpenWindow(320, 200);
    char message[STAGE_OPEN_MESSAGE_SIZE];
    const int32_t builtinWidth = (LevelSetStagePath(""), NextStageWidth());
    EXPECT_EQ(StageOpen(window, "/nonexistent/x.txt", STAGE_OPEN_GIVEN, message), STAGE_OPEN_REFUSED);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - x.txt not found: built-in stage");
    EXPECT_NE(strstr(message, "playing the built-in stage"), nullptr) << message;
    EXPECT_EQ(NextStageWidth(), builtinWidth);
    const char* good = "stage_title_good.txt";
    FILE* f = fopen(good, "w");
    ASSERT_NE(f, nullptr);
    fputs("S   G\n#####\n", f);
    fclose(f);
    EXPECT_EQ(StageOpen(window, good, STAGE_OPEN_DROPPED, message), STAGE_OPEN_PLAYS);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - stage_title_good.txt");
    EXPECT_EQ(NextStageWidth(), 5);
    // Dropped: a folder, a missing file and one without tiles leave the good stage in place.
    EXPECT_EQ(StageOpen(window, ".", STAGE_OPEN_DROPPED, message), STAGE_OPEN_REFUSED);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - . not a file: stage kept");
    EXPECT_EQ(StageOpen(window, "gone.txt", STAGE_OPEN_DROPPED, message), STAGE_OPEN_REFUSED);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - gone.txt not found: stage kept");
    EXPECT_NE(strstr(message, "the stage played so far is kept"), nullptr) << message;
    EXPECT_EQ(NextStageWidth(), 5);
    // However long the name, what happened still shows.
    char name[400] = "";
    for (int i = 0; i < 300; ++i) {
        strcat(name, "n");
    }
    StageOpen(window, name, STAGE_OPEN_GIVEN, message);
    EXPECT_LT(strlen(HeadlessWindowTitle()), STAGE_TITLE_SIZE);
    EXPECT_NE(strstr(HeadlessWindowTitle(), "n not found: built-in stage"), nullptr) << HeadlessWindowTitle();
    StageOpen(window, nullptr, STAGE_OPEN_GIVEN, message);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro");
    // A folder given at start-up is a stage set; one without stages cannot start.
    EXPECT_EQ(StageOpen(window, ".", STAGE_OPEN_GIVEN, message), STAGE_OPEN_SET);
    StageSetClose();
    std::filesystem::create_directory("stage_open_empty");
    EXPECT_EQ(StageOpen(window, "stage_open_empty", STAGE_OPEN_GIVEN, message), STAGE_OPEN_EMPTY_SET);
    EXPECT_NE(strstr(message, "no stage files"), nullptr) << message;
    std::filesystem::remove("stage_open_empty");
    // Into an open editor a file without tiles is refused: the editor never opens it to write it over.
    FILE* notes = fopen("notes.txt", "w");
    ASSERT_NE(notes, nullptr);
    fputs("\n\n", notes);
    fclose(notes);
    MainStartup(window);
    MainStartEditor(window, good);
    EXPECT_EQ(StageOpen(window, "notes.txt", STAGE_OPEN_DROPPED, message), STAGE_OPEN_REFUSED);
    EXPECT_EQ(EditorGetGrid()->width, 5);
    EXPECT_EQ(StageOpen(window, good, STAGE_OPEN_CHOSEN, message), STAGE_OPEN_PLAYS);
    EXPECT_FALSE(EditorIsActive());
    MainShutdown();
    remove("notes.txt");
    remove(good);
    LevelSetStageSource(&kept);
}

} // namespace
