// map_solve_test.cpp -- the stage solver: the script it writes replays through the runner with every
// checkpoint holding (the state hash included), a route that runs out of budget ends where it says,
// the drawn route marks each shot, and a goal no open tile leads to is refused at once.
#include <gtest/gtest.h>

#include <stdio.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "tools/maptool/map_check.h"
#include "tools/maptool/map_preview.h"
#include "tools/maptool/map_solve.h"
#include "tools/runner/replay_run.h"

namespace fs = std::filesystem;

namespace {

// A wall one shot cannot clear, the goal on top; a walker boxed in below the floor.
const char* TWO_SHOT_WALL = "..............................\n"
                            "...............G..............\n"
                            "..............###.............\n"
                            "..............###.............\n"
                            "..............###.............\n"
                            "..............###.............\n"
                            "..............###.............\n"
                            "###S##########################\n"
                            "########################E...##\n"
                            "##############################\n";

class MapSolveTest : public ::testing::Test {
  protected:
    fs::path dir;
    std::string stage;
    void SetUp() override {
        std::random_device random;
        dir = fs::temp_directory_path() / ("kalvoro-solve-" + std::to_string(random()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void UseStage(const std::string& text) {
        stage = (dir / "stage.txt").string();
        FILE* f = fopen(stage.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    // Plays script on the stage through the runner.
    ReplayRunResult Play(const std::string& text, ReplayScript* script) {
        ReplayError error;
        EXPECT_TRUE(ReplayScriptParse(text.data(), text.size(), script, &error)) << error.message;
        ReplayRunOptions options = {};
        options.stagePath = stage.c_str();
        ReplayRunResult result;
        ReplayRun(script, &options, &result);
        return result;
    }
};

TEST_F(MapSolveTest, TheRouteReplaysWithEveryCheckpointAndIsNoLongerThanTheSearchFound) {
    UseStage(TWO_SHOT_WALL);
    MapSolveOptions options = {stage.c_str(), 20.0, 3, 0, 0, {}};
    MapSolveResult result;
    ASSERT_TRUE(MapSolve(&options, &result));
    ASSERT_TRUE(result.found);
    // Shortened, then each press moved to the middle of its window: at most half the centring's reach
    // (4 frames) later a step.
    EXPECT_LE(result.frames, result.searchFrames + 4 * (int32_t)result.route.size());
    EXPECT_GE(result.marginFrames, 1);
    const std::string text = MapSolveScript(&options, result.route, "stage", 1);
    EXPECT_NE(text.find("\nexpect hash "), std::string::npos);
    static ReplayScript script;
    const ReplayRunResult run = Play(text, &script);
    EXPECT_FALSE(run.failed) << run.message;
    EXPECT_EQ(run.last.mode, MODE_STAGE_CLEAR);
    EXPECT_EQ(run.last.frame, result.frames);
    int32_t shots = 0;
    for (const SolveStep& step : result.route) {
        shots += step.kind == SOLVE_SHOOT;
    }
    EXPECT_GE(shots, 2); // one shot does not clear the wall

    // The drawn route: a ring for each shot fired (shells drop), over the picture of the stage.
    static MapCheckReport report;
    ASSERT_TRUE(MapCheckFile(stage.c_str(), &report));
    std::vector<uint32_t> pixels;
    int32_t w = 0;
    int32_t h = 0;
    ASSERT_TRUE(MapPreviewDraw(&report.map, &pixels, &w, &h));
    const std::vector<uint32_t> plain = pixels;
    char error[256];
    EXPECT_EQ(MapPreviewDrawRoute(stage.c_str(), &script, pixels.data(), w, h, error), result.frames);
    size_t changed = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        changed += pixels[i] != plain[i];
    }
    EXPECT_GT(changed, (size_t)(result.frames * 4 / 2)); // a 2 x 2 dot every other frame at least
}

// The goal on a ledge eleven tiles up with nothing to climb: open tiles lead there, shots do not.
TEST_F(MapSolveTest, ARouteOutOfBudgetEndsAtTheTileItNames) {
    const std::string tall = "tools/maptool/stages/tall.txt"; // the tests run from the source folder
    MapSolveOptions options = {tall.c_str(), 0.05, 0, 0, 0, {}};
    MapSolveResult result;
    ASSERT_TRUE(MapSolve(&options, &result));
    EXPECT_FALSE(result.found);
    EXPECT_FALSE(result.capped);
    EXPECT_EQ(result.answer, SOLVE_ANSWER_NOT_SETTLED);
    EXPECT_NE(std::string(result.verdict).find("not settled"), std::string::npos) << result.verdict;
    EXPECT_GT(result.farDistance, 0);
    static ReplayScript script;
    const ReplayRunResult run = Play(MapSolveScript(&options, result.route, "stage", 0), &script);
    EXPECT_FALSE(run.failed) << run.message;
    EXPECT_EQ((int32_t)(run.last.x / 16.0f), result.farCol);
    EXPECT_EQ((int32_t)(run.last.y / 16.0f), result.farRow);
    // Stopped by its most states instead, it says so (a larger budget would not help).
    options = {tall.c_str(), 20.0, 0, 0, 300, {}};
    ASSERT_TRUE(MapSolve(&options, &result));
    EXPECT_FALSE(result.found);
    EXPECT_TRUE(result.capped);
    EXPECT_GE(result.states, 300);
    EXPECT_LT(result.seconds, 20.0);
}

TEST_F(MapSolveTest, AGoalBehindWallsIsRefusedAtOnce) {
    // Walls a tile thick are no proof: the body is lifted into them and leaves on their far side.
    UseStage(
        "..........\n.....###..\n.....#G#..\n.....###..\n..........\n###S######\n#####E..##\n##########\n");
    MapSolveOptions options = {stage.c_str(), 20.0, 0, 0, 0, {}};
    MapSolveResult result;
    ASSERT_TRUE(MapSolve(&options, &result));
    EXPECT_EQ(result.answer, SOLVE_ANSWER_CLEARABLE) << result.verdict;
    // Three tiles thick they are.
    UseStage("............\n....#######.\n....#######.\n....#######.\n....###G###.\n....#######.\n"
             "....#######.\n....#######.\n............\n###S########\n#####E..####\n############\n");
    options = {stage.c_str(), 20.0, 0, 0, 0, {}};
    ASSERT_TRUE(MapSolve(&options, &result));
    EXPECT_EQ(result.answer, SOLVE_ANSWER_CANNOT);
    EXPECT_NE(std::string(result.verdict).find("walled in"), std::string::npos) << result.verdict;
    EXPECT_FALSE(result.found);
    EXPECT_LT(result.seconds, 1.0);
}

} // namespace
