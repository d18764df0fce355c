// stage_set_test.cpp -- a folder of stages played in name order through the real game: the title
// names the stage, leaving a clear screen starts the next, the last leads back to the first.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/game_state.h"
#include "app/main.h"
#include "app/stage_open.h"
#include "app/stage_set.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "world/level.h"

namespace fs = std::filesystem;

namespace {

// The goal is the cell the player's centre starts in: a stage start is a clear. Stages differ in width.
std::string ClearAtOnce(int width) {
    std::string top(width, '.');
    std::string goal = top, start = top, floor(width, '#');
    goal[2] = 'G';
    start[2] = 'S';
    return top + "\n" + goal + "\n" + start + "\n" + floor + "\n";
}

class StageSet : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    fs::path dir = fs::current_path() / "stage-set-test";

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir / "sub.txt");
        std::ofstream(dir / "b.txt") << ClearAtOnce(6);
        std::ofstream(dir / "a.txt") << ClearAtOnce(5);
        std::ofstream(dir / "c.txt") << ClearAtOnce(7);
        std::ofstream(dir / "notes.md") << "not a stage\n";
        window = HeadlessOpenWindow(320, 200);
        MainStartup(window);
    }
    void TearDown() override {
        StageSetClose();
        MainShutdown();
        fs::remove_all(dir);
    }
    void Press(int32_t vk) {
        HeadlessSetKeyDown(vk, 1);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        HeadlessSetKeyDown(vk, 0);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
};

TEST_F(StageSet, StagesPlayInNameOrderAndWrapAround) {
    char why[256] = "";
    ASSERT_EQ(StageSetOpen(window, dir.string().c_str(), why, sizeof(why)), STAGE_SET_OPENED);
    EXPECT_EQ(StageSetCount(), 3); // the folder named *.txt and notes.md are no stages
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - a.txt (1/3)");
    Press(KEY_SPACE);
    EXPECT_EQ(GameStateGetMap()->width, 5);
    ASSERT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    for (int width : {6, 7, 5}) {
        Press(KEY_SPACE);
        EXPECT_EQ(GameStateGetMap()->width, width);
        EXPECT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    }
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - a.txt (1/3)");
    // F starts the stage in play again (debug flight), it does not move on.
    MainOnKeyDown(KEY_F);
    EXPECT_EQ(GameStateGetMap()->width, 5);
    MainOnKeyDown(KEY_F);
}

// No stage blocks the set: Left and Right on its title choose any stage (the title names it); every
// other key still starts. Names end in .txt in any case, and a set is never cut short.
TEST_F(StageSet, LeftAndRightChooseAnyStageAndEveryStageCounts) {
    std::ofstream(dir / "D-LAST_ONE.TXT") << ClearAtOnce(9);
    for (int i = 0; i < 70; ++i) {
        std::ofstream(dir / ("e" + std::to_string(100 + i) + ".txt")) << ClearAtOnce(8);
    }
    char why[256] = "";
    ASSERT_EQ(StageSetOpen(window, dir.string().c_str(), why, sizeof(why)), STAGE_SET_OPENED);
    EXPECT_EQ(StageSetCount(), 74);
    char line[STAGE_SET_LINE_SIZE];
    Press(KEY_LEFT);
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    StageSetLine(line);
    EXPECT_STREQ(line, "STAGE 74 OF 74: E169");
    Press(KEY_RIGHT); // round to the first: byte order puts capitals first
    StageSetLine(line);
    EXPECT_STREQ(line, "STAGE 1 OF 74: D LAST ONE");
    EXPECT_EQ(StageSetParMs(), -1); // no par file beside it
    // A par file beside a stage is read when the stage is chosen; one that is not ours is no par.
    std::ofstream(dir / "a.par") << STAGE_PAR_VERSION_LINE "\n140 9 11 easy\n";
    std::ofstream(dir / "b.par") << "140 9 11 easy\n";
    Press(KEY_RIGHT);
    EXPECT_EQ(StageSetParMs(), 140 * 16);
    EXPECT_STREQ(StageSetRating(), "EASY");
    Press(KEY_RIGHT);
    EXPECT_EQ(StageSetParMs(), -1);
    Press(KEY_LEFT);
    Press(KEY_LEFT);
    Press(KEY_SPACE);
    EXPECT_EQ(GameStateGetMap()->width, 9);
}

// A set's stage chosen from a list (the page's lessons) plays with its set from it; any stage that then
// plays alone (dropped, chosen, given) closes the set, so the title never numbers a stage that is not its.
TEST_F(StageSet, AStageChosenInItsSetPlaysFromItAndAStageAloneClosesTheSet) {
    char message[STAGE_OPEN_MESSAGE_SIZE];
    ASSERT_EQ(StageOpen(window, (dir / "b.txt").c_str(), STAGE_OPEN_CHOSEN_IN_SET, message), STAGE_OPEN_SET);
    EXPECT_EQ(StageSetCount(), 3);
    EXPECT_EQ(StageSetIndex(), 1);
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - b.txt (2/3)");
    Press(KEY_SPACE);
    EXPECT_EQ(GameStateGetMap()->width, 6);
    Press(KEY_SPACE); // the clear leads on through the set
    EXPECT_EQ(GameStateGetMap()->width, 7);
    for (int32_t way : {STAGE_OPEN_DROPPED, STAGE_OPEN_CHOSEN, STAGE_OPEN_CHOSEN_IN_SET}) {
        ASSERT_EQ(StageOpen(window, (dir / "a.txt").c_str(), STAGE_OPEN_CHOSEN_IN_SET, message), STAGE_OPEN_SET);
        // A stage outside any set: alone, and the set is closed; a stage that is no set's plays alone.
        const fs::path alone = way == STAGE_OPEN_CHOSEN_IN_SET ? dir / "sub.txt" / "alone.txt" : dir / "notes.md";
        std::ofstream(alone) << ClearAtOnce(8);
        EXPECT_EQ(StageOpen(window, alone.c_str(), way, message),
                  way == STAGE_OPEN_CHOSEN_IN_SET ? STAGE_OPEN_SET : STAGE_OPEN_PLAYS);
        if (way == STAGE_OPEN_CHOSEN_IN_SET) {
            EXPECT_EQ(StageSetCount(), 1); // its own folder is a set of one
            fs::remove(alone);
            continue;
        }
        EXPECT_EQ(StageSetCount(), 0) << way;
        char line[STAGE_SET_LINE_SIZE];
        StageSetLine(line);
        EXPECT_STREQ(line, "");
        Press(KEY_SPACE);
        EXPECT_EQ(GameStateGetMap()->width, 8);
        Press(KEY_SPACE);
        EXPECT_EQ(GameStateGetMap()->width, 8); // no set leads on
        Press(KEY_ESCAPE);
    }
}

// --edit on a folder is said, not opened as a blank stage that could never be saved.
TEST_F(StageSet, EditingAFolderIsRefusedWithAReason) {
    MainArgs args = {1, nullptr};
    const std::string folder = dir.string();
    args.path = folder.c_str();
    char why[256] = "";
    EXPECT_EQ(MainStartWith(window, &args, why, sizeof(why)), 2);
    EXPECT_NE(std::string(why).find("is a folder"), std::string::npos) << why;
}

TEST_F(StageSet, AFolderWithoutStagesIsRefusedWithAReasonAndAFileIsNoSet) {
    fs::remove(dir / "a.txt");
    fs::remove(dir / "b.txt");
    fs::remove(dir / "c.txt");
    char why[256] = "";
    EXPECT_EQ(StageSetOpen(window, dir.string().c_str(), why, sizeof(why)), STAGE_SET_EMPTY);
    EXPECT_NE(std::string(why).find("no stage files"), std::string::npos) << why;
    EXPECT_EQ(StageSetCount(), 0);
    EXPECT_EQ(StageSetOpen(window, (dir / "notes.md").string().c_str(), why, sizeof(why)),
              STAGE_SET_NOT_A_FOLDER);
    EXPECT_EQ(StageSetOpen(window, "no-such-folder", why, sizeof(why)), STAGE_SET_NOT_A_FOLDER);
}

} // namespace
