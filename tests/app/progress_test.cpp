// progress_test.cpp -- a player's records kept in the data folder: across a restart, a best that only
// improves, a stage edited starting fresh, a torn file kept aside, two running copies both kept; the par
// a background solve finds for a set's stage without a par file, kept with them.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/game_state.h"
#include "app/main.h"
#include "app/progress.h"
#include "app/stage_open.h"
#include "app/stage_par.h"
#include "app/stage_set.h"
#include "app/watch.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "world/level.h"

namespace fs = std::filesystem;

namespace {

// Every test of this program keeps the game's data (progress, recovery copies) in its own folder, never
// in the user's: set before any test runs.
const int gPrivateData = setenv("XDG_DATA_HOME", (fs::current_path() / "test-data").c_str(), 1);

class Progress : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    fs::path dir = fs::current_path() / "progress-test";
    fs::path stage = dir / "pit.txt";
    fs::path file = dir / "data" / "shotgun-kalvoro" / "progress.txt";
    LevelStageSource kept;

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        // The goal is the cell the player starts in: every start is a clear.
        std::ofstream(stage) << "......\n..G...\n..S...\n######\n";
        LevelGetStageSource(&kept);
        ProgressKeep(1); // as the game's own window does
        window = HeadlessOpenWindow(320, 200);
        MainStartup(window);
        Give();
    }
    void TearDown() override {
        StageParForget();
        StageSetClose();
        MainShutdown();
        LevelSetStageSource(&kept);
        ProgressForget();
        ProgressKeep(0);
        fs::remove_all(dir);
    }
    // As a new process given the stage would be.
    void Give() {
        Open(stage, STAGE_OPEN_PLAYS);
    }
    void Open(const fs::path& path, int32_t outcome) {
        ProgressForget();
        StageParForget();
        char message[STAGE_OPEN_MESSAGE_SIZE];
        ASSERT_EQ(StageOpen(window, path.c_str(), STAGE_OPEN_GIVEN, message), outcome);
        Frame();
    }
    void Frame() {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
    // A start from the title: a clear at once, then back to the title.
    void Run() {
        HeadlessSetKeyDown(KEY_SPACE, 1);
        Frame();
        HeadlessSetKeyDown(KEY_SPACE, 0);
        for (int i = 0; i < 10 && GameStateGetMode() != MODE_STAGE_CLEAR; ++i) {
            Frame();
        }
        ASSERT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    }
    std::string Text() {
        std::stringstream text;
        text << std::ifstream(file).rdbuf();
        return text.str();
    }
};

TEST_F(Progress, KeptAcrossARestartWithABestThatOnlyImproves) {
    ASSERT_TRUE(ProgressActive());
    EXPECT_EQ(ProgressBestMs(), -1);
    Run();
    EXPECT_TRUE(ProgressWasNewBest());
    const int32_t best = ProgressBestMs();
    EXPECT_GE(best, 0);
    EXPECT_EQ(ProgressRunMs(), best);
    EXPECT_EQ(Text().rfind(PROGRESS_VERSION_LINE "\n", 0), 0u);
    Give();
    EXPECT_EQ(ProgressBestMs(), best);
    EXPECT_EQ(ProgressRuns(), 1);
    // A record no run can beat (1 ms: a run takes at least a frame) stays the best.
    std::string text = Text();
    const size_t at = text.find(' ', text.find('\n') + 1);
    std::ofstream(file, std::ios::trunc) << text.substr(0, at) << " 1 1 1 1 pit.txt\n";
    Give();
    Run();
    EXPECT_FALSE(ProgressWasNewBest());
    EXPECT_EQ(ProgressBestMs(), 1);
    EXPECT_EQ(ProgressRunMs(), best);
    EXPECT_EQ(ProgressRuns(), 2);
    EXPECT_EQ(ProgressClears(), 2);
}

TEST_F(Progress, AnEditedStageStartsFreshAndTheShippedStageKeepsNothing) {
    Run();
    ASSERT_GE(ProgressBestMs(), 0);
    std::ofstream(stage, std::ios::trunc) << ".......\n..G....\n..S....\n#######\n";
    Give();
    EXPECT_EQ(ProgressBestMs(), -1);
    LevelSetStagePath(nullptr);
    Frame();
    EXPECT_FALSE(ProgressActive());
}

TEST_F(Progress, ATornFileIsKeptAsideAndANewOneStarted) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << PROGRESS_VERSION_LINE "\n0123456789abcdef 1 20";
    Give();
    Run();
    EXPECT_NE(std::string(ProgressNotice()).find("UNREADABLE"), std::string::npos) << ProgressNotice();
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
        aside += entry.path().filename().string().rfind("progress.txt.unreadable-", 0) == 0;
    }
    EXPECT_EQ(aside, 1);
    EXPECT_EQ(Text().rfind(PROGRESS_VERSION_LINE "\n", 0), 0u);
    EXPECT_GE(ProgressBestMs(), 0);
}

// A file already set aside in the same second keeps its name and what it holds.
TEST_F(Progress, ASecondTornFileIsKeptBesideTheFirst) {
    fs::create_directories(file.parent_path());
    const long long now = (long long)time(nullptr);
    for (long long t = now; t <= now + 2; ++t) {
        std::ofstream(file.string() + ".unreadable-" + std::to_string(t)) << "kept " << t;
    }
    std::ofstream(file) << "not ours";
    Give();
    Run();
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path())) {
        aside += entry.path().filename().string().rfind("progress.txt.unreadable-", 0) == 0;
    }
    EXPECT_EQ(aside, 4);
    for (long long t = now; t <= now + 2; ++t) {
        std::ifstream in(file.string() + ".unreadable-" + std::to_string(t));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept " + std::to_string(t));
    }
}

// The best run's input sits beside the best: back after a restart, gone when another copy's better best
// came without one; a first-version file is read; a run line of no stage is no file of ours.
TEST_F(Progress, TheBestRunIsKeptWithTheBest) {
    Run();
    ASSERT_NE(ProgressBestRun(), nullptr);
    const std::string run = ProgressBestRun();
    const std::string text = Text();
    const std::string key = text.substr(text.find('\n') + 1, 16);
    EXPECT_NE(text.find("\nrun " + key + " " + run + "\n"), std::string::npos) << text;
    Give();
    ASSERT_NE(ProgressBestRun(), nullptr);
    EXPECT_EQ(ProgressBestRun(), run);

    std::ofstream(file, std::ios::trunc) << PROGRESS_VERSION_LINE_1 "\n" << key << " 1 1 1 1 pit.txt\n";
    Give();
    EXPECT_STREQ(ProgressNotice(), "");
    EXPECT_EQ(ProgressBestMs(), 1);
    EXPECT_EQ(ProgressBestRun(), nullptr);

    std::ofstream(file, std::ios::trunc) << PROGRESS_VERSION_LINE "\nrun " << key << " " << run << "\n";
    Give();
    EXPECT_EQ(ProgressBestRun(), nullptr);
    EXPECT_NE(std::string(ProgressNotice()).find("UNREADABLE"), std::string::npos);
}

// Another copy of the game wrote its record meanwhile: both are in the file after our next write.
TEST_F(Progress, TwoRunningCopiesKeepEachOthersRecords) {
    Run();
    std::ofstream(file, std::ios::app) << "00000000000000aa 1 1234 3 1 other.txt\n";
    Run();
    const std::string text = Text();
    EXPECT_NE(text.find("00000000000000aa 1 1234 3 1 other.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("pit.txt"), std::string::npos) << text;
}

// A set's stage without a par file: PAR ? while a search runs a slice each title frame, then the par,
// kept in progress, so the next start of the game knows it at once; a stage with a par file never
// searches. The search's own starts and clears are never the player's.
TEST_F(Progress, ASetsStageWithoutAParGetsOneFromABackgroundSolveKeptInProgress) {
    const fs::path set = dir / "set";
    fs::create_directories(set);
    std::ofstream(set / "1-hop.txt") << "........\n.....G..\n..S.....\n########\n";
    std::ofstream(set / "2-given.txt") << "......\n..G...\n..S...\n######\n";
    std::ofstream(set / "2-given.par") << "shotgun-kalvoro par 1\n60 9 9 easy\n";
    Open(set, STAGE_OPEN_SET);
    EXPECT_EQ(StageParMs(), -1);
    EXPECT_TRUE(StageParSolving());
    // A start while the search is under way: it waits, and the run counts once.
    for (int32_t key : {KEY_SPACE, KEY_ESCAPE}) {
        HeadlessSetKeyDown(key, 1);
        Frame();
        HeadlessSetKeyDown(key, 0);
        EXPECT_EQ(GameStateGetMode(), key == KEY_SPACE ? MODE_PLAYING : MODE_TITLE);
        EXPECT_TRUE(StageParSolving());
        EXPECT_EQ(ProgressRuns(), 1);
    }
    int frames = 0;
    for (; frames < 5000 && StageParMs() < 0; ++frames) {
        Frame();
    }
    ASSERT_GT(StageParMs(), 0) << frames;
    EXPECT_FALSE(StageParSolving());
    EXPECT_EQ(ProgressRuns(), 1);
    EXPECT_NE(Text().find("\npar " + Text().substr(Text().find('\n') + 1, 16) + " "), std::string::npos) << Text();
    EXPECT_NE(Text().find(" 1-hop.txt\npar "), std::string::npos) << Text();
    const int32_t par = StageParMs();
    const std::string rating = StageParRating();
    EXPECT_NE(rating.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << rating;

    // The route found rides on the par's line; Shift+W watches it to the clear in the par's time, after a
    // restart as well.
    const std::string parLine = Text().substr(Text().find("\npar ") + 1);
    EXPECT_NE(parLine.substr(0, parLine.find('\n')).find(" r"), std::string::npos) << parLine;
    for (int restart = 0; restart < 2; ++restart) {
        if (restart) {
            Open(set, STAGE_OPEN_SET);
            EXPECT_EQ(StageParMs(), par);
            EXPECT_EQ(StageParRating(), rating); // the margin comes back from the file with the par
            EXPECT_FALSE(StageParSolving());
        }
        ASSERT_NE(StageParRoute(), nullptr);
        EXPECT_EQ(WatchOffered(), WATCH_ROUTE);
        HeadlessSetKeyDown(KEY_SHIFT, 1);
        HeadlessSetKeyDown(KEY_W, 1);
        Frame();
        HeadlessSetKeyDown(KEY_W, 0);
        HeadlessSetKeyDown(KEY_SHIFT, 0);
        ASSERT_TRUE(WatchActive());
        int32_t watched = 0; // the route plays from the frame after the one that took W
        for (; GameStateGetMode() != MODE_STAGE_CLEAR && watched < 5000; ++watched) {
            Frame();
        }
        EXPECT_EQ(watched * 16, par);
        EXPECT_EQ(ProgressRuns(), 1); // a watch is no run
        HeadlessSetKeyDown(KEY_ESCAPE, 1);
        Frame();
        HeadlessSetKeyDown(KEY_ESCAPE, 0);
        Frame();
        EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    }
    StageSetChoose(1);
    Frame();
    EXPECT_EQ(StageParMs(), 60 * 16);
    EXPECT_STREQ(StageParRating(), "EASY");
    EXPECT_FALSE(StageParSolving());
}

// A par line is read only after its stage's own line, and what follows its numbers only as a route's
// run text; anything else is a foreign file, kept aside. A par without a route (an older copy's) is read.
TEST_F(Progress, AParLineForAnotherStageIsAForeignFile) {
    fs::create_directories(file.parent_path());
    for (const char* route : {"", " rAAAA", " xyz"}) {
        std::ofstream(file) << PROGRESS_VERSION_LINE "\n00000000000000aa 1 1234 3 1 other.txt\npar 00000000000000aa 100 9 9"
                            << route << "\n";
        Give();
        int32_t marginFrames = 0, marginDegrees = 0;
        const char* kept = nullptr;
        const int32_t par = ProgressPar(0xaa, &marginFrames, &marginDegrees, &kept);
        if (strcmp(route, " xyz") == 0) {
            EXPECT_NE(std::string(ProgressNotice()).find("UNREADABLE"), std::string::npos) << ProgressNotice();
            fs::remove(file);
            continue;
        }
        EXPECT_STREQ(ProgressNotice(), "");
        EXPECT_EQ(par, 100);
        EXPECT_EQ(kept ? std::string(" ") + kept : std::string(), route);
        Run(); // written again, the route with it
        EXPECT_NE(Text().find(std::string("par 00000000000000aa 100 9 9") + route + "\n"), std::string::npos) << Text();
    }
    std::ofstream(file) << PROGRESS_VERSION_LINE_1 "\n00000000000000aa 1 1234 3 1 other.txt\n";
    Give();
    Run();
    EXPECT_NE(Text().find("00000000000000aa 1 1234 3 1 other.txt"), std::string::npos) << Text();
    std::ofstream(file, std::ios::app) << "par 00000000000000bb 100 9 9\n";
    Give();
    Run();
    EXPECT_NE(std::string(ProgressNotice()).find("UNREADABLE"), std::string::npos) << ProgressNotice();
}

} // namespace
