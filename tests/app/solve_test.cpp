// The solver inside the game: a search cut into slices finds what one run finds, leaves the game it
// ran beside untouched, keeps every state it stores exactly, and its route plays back to a clear.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/main.h"
#include "app/solve.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "world/level.h"

namespace {

const std::string STAGES = KALVORO_SOURCE_DIR "/tools/maptool/stages/";
const std::string LESSONS = KALVORO_SOURCE_DIR "/tools/maptool/lessons/";

SolveSearch gSearch;
GameSnapshot gBefore;
GameSnapshot gAfter;

// The path is kept here, so the options may outlive the caller's string.
SolveOptions StageFile(const std::string& path, int32_t maxStates = 0) {
    static std::string kept[4];
    static int next;
    std::string* slot = &kept[next++ % 4];
    *slot = path;
    SolveOptions options = {};
    options.stagePath = slot->c_str();
    options.maxStates = maxStates;
    return options;
}

SolveOptions StageText(const char* text, int32_t maxStates = 0) {
    SolveOptions options = {};
    options.stageText = text;
    options.stageTextLength = strlen(text);
    options.maxStates = maxStates;
    return options;
}

int32_t RunToEnd(const SolveOptions& options, int32_t budget) {
    int32_t status = SolveStart(&gSearch, &options);
    while (status == SOLVE_RUNNING) {
        status = SolveAdvance(&gSearch, budget);
    }
    return status;
}

std::vector<SolveStep> Route(void) {
    int32_t steps = 0;
    const SolveStep* route = SolveGetRoute(&gSearch, &steps);
    return std::vector<SolveStep>(route, route + steps);
}

bool SameSteps(const std::vector<SolveStep>& a, const std::vector<SolveStep>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].angle != b[i].angle || a[i].frames != b[i].frames) {
            return false;
        }
    }
    return true;
}

// A game in play on the built-in stage in a window, a shot fired: what an editor's game would be.
PlatformWindow* GameInPlay(void) {
    LevelSetStagePath("no-such-stage.txt");
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    MainStartup(window);
    HeadlessSetKeyState(KEY_LBUTTON, 1);
    GameStateStep(window, 16.0f);
    HeadlessSetKeyState(KEY_LBUTTON, 0);
    for (int i = 0; i < 40; ++i) {
        HeadlessSetKeyState(KEY_LBUTTON, i == 30);
        GameStateStep(window, 16.0f);
    }
    return window;
}

TEST(Solve, SlicesOfOneStateFindTheSameRouteAsOneRunAndPlayBackToAClear) {
    const std::string stage = LESSONS + "1-long-pit.txt";
    ASSERT_EQ(RunToEnd(StageFile(stage), 1 << 30), SOLVE_FOUND);
    const std::vector<SolveStep> whole = Route();
    const int32_t frames = gSearch.routeFrames;
    const int64_t states = gSearch.states;
    SolveFinish(&gSearch);
    ASSERT_EQ(RunToEnd(StageFile(stage), 1), SOLVE_FOUND);
    EXPECT_TRUE(SameSteps(Route(), whole));
    EXPECT_EQ(gSearch.states, states);
    EXPECT_LE(gSearch.routeFrames, gSearch.searchFrames);
    EXPECT_FLOAT_EQ(SolveProgress(&gSearch), 1.0f);

    // Played back from the title through the game's own step, frame by frame.
    const SolveOptions options = StageFile(stage);
    LevelSetStagePath(stage.c_str());
    static const GameSnapshot clean = {};
    GameStateRestore(&clean);
    InputFrame input;
    int32_t frame = 0;
    while (SolveRouteInput(whole.data(), (int32_t)whole.size(), frame, &input)) {
        GameStateStepWith(&input, SOLVE_DT);
        ++frame;
        if (GameStateGetMode() != MODE_PLAYING && frame > 1) {
            break;
        }
    }
    EXPECT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    EXPECT_EQ(frame, 1 + frames);

    // The drawn path: a point after the click and after every frame, ending at the goal.
    std::vector<float> xs(4096);
    std::vector<float> ys(4096);
    ASSERT_EQ(SolveStart(&gSearch, &options), SOLVE_RUNNING);
    const int32_t points =
        SolveRoutePath(&gSearch, whole.data(), (int32_t)whole.size(), xs.data(), ys.data(), 4096);
    EXPECT_EQ(points, 1 + frames);
    EXPECT_GT(xs[(size_t)points - 1], xs[0] + 64.0f);
    EXPECT_EQ(SolveRoutePath(&gSearch, whole.data(), (int32_t)whole.size(), xs.data(), ys.data(), 10), 10);
    SolveFinish(&gSearch);
    LevelSetStagePath(nullptr);
}

// 1 when route, played from the title on stage, clears it.
bool RouteClears(const std::string& stage, const std::vector<SolveStep>& route) {
    LevelSetStagePath(stage.c_str());
    static const GameSnapshot clean = {};
    GameStateRestore(&clean);
    InputFrame input;
    for (int32_t frame = 0; SolveRouteInput(route.data(), (int32_t)route.size(), frame, &input); ++frame) {
        GameStateStepWith(&input, SOLVE_DT);
        if (GameStateGetMode() != MODE_PLAYING && frame > 0) {
            break;
        }
    }
    LevelSetStagePath(nullptr);
    return GameStateGetMode() == MODE_STAGE_CLEAR;
}

TEST(Solve, EveryPressSitsInTheMiddleOfItsWindowAndTheMarginHolds) {
    const std::string stage = LESSONS + "2-double-shot.txt";
    ASSERT_EQ(RunToEnd(StageFile(stage), 64), SOLVE_FOUND);
    const std::vector<SolveStep> route = Route();
    const int32_t margin = gSearch.marginFrames;
    ASSERT_GE(margin, 1);
    EXPECT_GE(gSearch.marginDegrees, 1);
    SolveFinish(&gSearch);
    // Every press moved by half the margin either way, those after it along, still clears.
    for (size_t i = 1; i < route.size(); ++i) {
        if (route[i].kind == SOLVE_WAIT) {
            continue;
        }
        for (int32_t d : {-(margin - 1) / 2, (margin - 1) / 2}) {
            std::vector<SolveStep> moved = route;
            moved[i - 1].frames += d;
            moved.back().frames += 16;
            EXPECT_TRUE(RouteClears(stage, moved)) << "press " << i << " moved by " << d;
        }
    }
}

// A game's frame gives the search one slice: no unit of the shortening, centring or widening plays the
// route more than a couple of dozen times, so no slice holds up a frame for long.
TEST(Solve, NoUnitAfterTheSearchPlaysTheRouteMoreThanTwoDozenTimes) {
    const SolveOptions options = StageFile(LESSONS + "6-kill-upward.txt");
    int32_t status = SolveStart(&gSearch, &options);
    int64_t worst = 0;
    int32_t widened = 0;
    while (status == SOLVE_RUNNING) {
        const int64_t before = gSearch.framesRun;
        status = SolveAdvance(&gSearch, 1);
        if (gSearch.shortening) {
            worst = std::max(worst, (gSearch.framesRun - before) / (gSearch.routeFrames + 64));
            widened += gSearch.widening;
        }
    }
    ASSERT_EQ(status, SOLVE_FOUND);
    EXPECT_GT(widened, 0);
    EXPECT_LE(worst, 24) << "plays of the route in one unit";
    SolveFinish(&gSearch);
}

// A stage cleared by the starting click (the start under the goal, or in the goal's column above it): no
// press narrows the margins, so they are the widest measured and the route rates easy.
TEST(Solve, ARouteWithoutAPressRatesEasy) {
    for (const char* text : {"......\n..G...\n..S...\n######\n", "..S...\n......\n......\n......\n..G...\n######\n"}) {
        ASSERT_EQ(RunToEnd(StageText(text), 64), SOLVE_FOUND) << text;
        EXPECT_EQ(gSearch.marginFrames, 17) << text;
        EXPECT_EQ(gSearch.marginDegrees, 21) << text;
        EXPECT_STREQ(SolveRating(gSearch.marginFrames, gSearch.marginDegrees), "easy");
        SolveFinish(&gSearch);
    }
}

// The shake plays the route as a hand would: unshaken every try clears, the same seed gives the same
// count, and a shake far wider than the route's margin loses tries; the game beside it is untouched.
TEST(Solve, AShakenRouteClearsAsOftenAsItsMarginAllowsAndTheSameSeedAgrees) {
    ASSERT_EQ(RunToEnd(StageFile(LESSONS + "2-double-shot.txt"), 64), SOLVE_FOUND);
    const std::vector<SolveStep> route = Route();
    SolveFinish(&gSearch); // the start of the stage is all a shake needs
    GameStateSave(&gBefore);
    const int32_t steps = (int32_t)route.size();
    SolveShakeOptions still = {20, 0, 0, 1};
    EXPECT_EQ(SolveShake(&gSearch, route.data(), steps, &still), 20);
    SolveShakeOptions hand = {40, 1, 1, 7};
    const int32_t clears = SolveShake(&gSearch, route.data(), steps, &hand);
    EXPECT_EQ(SolveShake(&gSearch, route.data(), steps, &hand), clears);
    SolveShakeOptions wild = {40, 8, 10, 7};
    EXPECT_LT(SolveShake(&gSearch, route.data(), steps, &wild), 40);
    GameStateSave(&gAfter);
    EXPECT_EQ(memcmp(&gBefore, &gAfter, sizeof(gBefore)), 0);
}

// The widening pass trades a few frames for presses a hand can hit: lesson 6's tightest route cleared 4
// of 50 shaken tries. Stopped halfway through the pass, the search still gives a route that clears.
TEST(Solve, TheWidenedRouteSurvivesAShakenHandAndAStopHalfwayStillClears) {
    const std::string stage = LESSONS + "6-kill-upward.txt";
    ASSERT_EQ(RunToEnd(StageFile(stage), 64), SOLVE_FOUND);
    const std::vector<SolveStep> route = Route();
    SolveShakeOptions hand = {50, 1, 0, 1};
    EXPECT_GE(SolveShake(&gSearch, route.data(), (int32_t)route.size(), &hand), 40);
    SolveFinish(&gSearch);
    // The widening's changes land alike however finely the search is sliced.
    ASSERT_EQ(RunToEnd(StageFile(stage), 1), SOLVE_FOUND);
    EXPECT_TRUE(SameSteps(Route(), route));
    SolveFinish(&gSearch);

    const SolveOptions options = StageFile(stage);
    int32_t status = SolveStart(&gSearch, &options);
    while (status == SOLVE_RUNNING && !(gSearch.widening && gSearch.widenScore >= 0)) {
        status = SolveAdvance(&gSearch, 8);
    }
    ASSERT_EQ(status, SOLVE_RUNNING);
    SolveAdvance(&gSearch, 40);
    ASSERT_EQ(SolveStop(&gSearch), SOLVE_FOUND);
    EXPECT_EQ(gSearch.marginFrames, 0); // not measured
    EXPECT_TRUE(RouteClears(stage, Route()));
    SolveFinish(&gSearch);
}

// The walled-in verdict says no open cells lead from the start to the goal; it holds only if the body
// never gets anywhere open cells do not lead from. Every state of a search on every stage we have.
TEST(Solve, EveryStateSearchedLiesWhereOpenCellsLeadToTheGoal) {
    const char* const stages[] = {"map.txt",
                                  "lessons/1-long-pit.txt",
                                  "lessons/2-double-shot.txt",
                                  "lessons/3-ledge-climb.txt",
                                  "lessons/4-walker.txt",
                                  "lessons/5-narrow-shaft.txt",
                                  "lessons/6-kill-upward.txt",
                                  "stages/out-of-reach.txt",
                                  "stages/tall.txt",
                                  "stages/maze.txt",
                                  "stages/climb.txt",
                                  "stages/walker-wait.txt",
                                  "stages/gauntlet.txt"};
    for (const char* stage : stages) {
        const SolveOptions options =
            StageFile(KALVORO_SOURCE_DIR "/tools/maptool/" + std::string(stage), 20000);
        // The search alone: what follows it only replays routes.
        int32_t status = SolveStart(&gSearch, &options);
        while (status == SOLVE_RUNNING && !gSearch.shortening) {
            status = SolveAdvance(&gSearch, 1 << 30);
        }
        EXPECT_GT(gSearch.states, 0) << stage;
        EXPECT_EQ(gSearch.outsideOpen, 0) << stage;
        SolveFinish(&gSearch);
    }
}

TEST(Solve, TheGameBesideTheSearchIsLeftAsItWas) {
    PlatformWindow* window = GameInPlay();
    LevelStageSource sourceBefore;
    LevelGetStageSource(&sourceBefore);
    GameStateSave(&gBefore);
    const SolveOptions options = StageFile(LESSONS + "5-narrow-shaft.txt");
    int32_t status = SolveStart(&gSearch, &options);
    GameStateSave(&gAfter);
    EXPECT_EQ(GameSnapshotHash(&gAfter), GameSnapshotHash(&gBefore));
    while (status == SOLVE_RUNNING) {
        status = SolveAdvance(&gSearch, 3);
        GameStateSave(&gAfter);
        ASSERT_EQ(memcmp(&gAfter, &gBefore, sizeof(gAfter)), 0) << "after a slice";
    }
    EXPECT_EQ(status, SOLVE_FOUND);
    int32_t steps = 0;
    const SolveStep* route = SolveGetRoute(&gSearch, &steps);
    float x[8];
    float y[8];
    SolveRoutePath(&gSearch, route, steps, x, y, 8);
    GameStateSave(&gAfter);
    EXPECT_EQ(memcmp(&gAfter, &gBefore, sizeof(gAfter)), 0) << "after the path";
    LevelStageSource sourceAfter;
    LevelGetStageSource(&sourceAfter);
    EXPECT_STREQ(sourceAfter.path, sourceBefore.path);
    EXPECT_EQ(sourceAfter.text, sourceBefore.text);
    // The game runs on as if nothing had happened.
    GameStateStep(window, 16.0f);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    SolveFinish(&gSearch);
    MainShutdown();
    LevelSetStagePath(nullptr);
}

TEST(Solve, EveryStoredGameComesBackByteForByte) {
    const SolveOptions options = StageFile(LESSONS + "4-walker.txt");
    ASSERT_EQ(SolveStart(&gSearch, &options), SOLVE_RUNNING);
    SolveAdvance(&gSearch, 20);
    // Games along a route of shots and waits, each kept, then all laid back in turn.
    SolveLoadGame(&gSearch, 0);
    std::vector<uint32_t> kept;
    std::vector<GameSnapshot> games(24);
    for (size_t i = 0; i < games.size(); ++i) {
        const SolveStep step = {i % 5 == 0 ? SOLVE_SHOOT : (i % 7 == 3 ? SOLVE_RELOAD : SOLVE_WAIT),
                                (int32_t)(i * 37 % 180), 1};
        for (int f = 1; f <= 6; ++f) {
            InputFrame input;
            SolveStepInput(&step, f, &input);
            GameStateStepWith(&input, SOLVE_DT);
        }
        uint32_t at = 0;
        ASSERT_TRUE(SolveKeepGame(&gSearch, &at));
        kept.push_back(at);
        GameStateSave(&games[i]);
    }
    int32_t count = 0;
    const GameSnapshotPart* parts = GameSnapshotParts(&count);
    for (size_t i = games.size(); i-- > 0;) {
        SolveLoadGame(&gSearch, kept[i]);
        GameStateSave(&gAfter);
        EXPECT_EQ(GameSnapshotHash(&gAfter), GameSnapshotHash(&games[i])) << "game " << i;
        for (int32_t p = 0; p < count; ++p) {
            if (parts[p].play) {
                EXPECT_EQ(memcmp((const char*)&gAfter + parts[p].offset,
                                 (const char*)&games[i] + parts[p].offset, parts[p].size),
                          0)
                    << parts[p].name << " of game " << i;
            }
        }
    }
    SolveFinish(&gSearch);
}

TEST(Solve, AStageThatCannotBeClearedSaysWhyAtOnceOrRunsDry) {
    // Walled in: the goal boxed by walls three tiles thick, the start outside.
    EXPECT_EQ(RunToEnd(StageText("........\n#######.\n#######.\n#######.\n###G###.\n#######.\n#######.\n"
                                 "#######.\n........\n.S......\n########\n"),
                       1),
              SOLVE_WALLED_IN);
    EXPECT_EQ(gSearch.expanded, 0);
    SolveFinish(&gSearch);
    // No goal at all: nothing to walk toward.
    EXPECT_EQ(RunToEnd(StageText("......\n......\n.S....\n######\n"), 1), SOLVE_WALLED_IN);
    SolveFinish(&gSearch);
    // A tiny cap: the search ends at the cap, not settled, with the way nearest the goal.
    const SolveOptions capped = StageFile(STAGES + "tall.txt", 300);
    EXPECT_EQ(RunToEnd(capped, 50), SOLVE_EXHAUSTED);
    EXPECT_TRUE(gSearch.capped);
    EXPECT_LE(gSearch.states, 300);
    EXPECT_GT(gSearch.farDistance, 0);
    SolveFinish(&gSearch);
    // Stopped early by its caller: still the way nearest the goal.
    const SolveOptions open = StageFile(STAGES + "tall.txt");
    ASSERT_EQ(SolveStart(&gSearch, &open), SOLVE_RUNNING);
    EXPECT_EQ(SolveAdvance(&gSearch, 30), SOLVE_RUNNING);
    EXPECT_EQ(SolveStop(&gSearch), SOLVE_EXHAUSTED);
    EXPECT_GT(Route().size(), 0u);
    SolveFinish(&gSearch);
}

} // namespace
