// reach_test.cpp -- the way to the goal counted for the body: open past the stage's right end and
// under it, never through a one-tile slot or a corner the 14 x 28 box cannot pass.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "world/level.h"
#include "world/reach.h"

namespace {

ReachField gField;
Tilemap gMap;

// Loads rows as the game loads a stage file and answers whether the start leads to the goal.
int Leads(const char* text) {
    LevelLoadStageText(&gMap, text, strlen(text), nullptr);
    ReachBuild(&gField, &gMap);
    return ReachStartLeadsToGoal(&gField, &gMap);
}

TEST(Reach, TheRightEndAndTheRowsBelowAreOpenAsInPlay) {
    // The goal's room opens only past the stage's last column.
    EXPECT_TRUE(Leads("..............\n"
                      "..............\n"
                      "..............\n"
                      "..............\n"
                      ".........#####\n"
                      ".........#....\n"
                      ".........#.G..\n"
                      ".S.......#....\n"
                      "##############\n"));
    // Only under the stage: the floor has a hole on either side of a wall that reaches the floor.
    EXPECT_TRUE(Leads("......#.....\n"
                      "......#.....\n"
                      "......#.....\n"
                      ".S....#...G.\n"
                      "###.###.####\n"));
    // A closed room stays closed.
    EXPECT_FALSE(Leads("..........\n"
                       "......####\n"
                       "......#..#\n"
                       ".S....#G.#\n"
                       "##########\n"));
}

TEST(Reach, TheBodyNeedsTwoOpenRowsAndNoCorners) {
    // A one-tile-high passage is too low for the 28-px body.
    EXPECT_FALSE(Leads("##########\n"
                       "######....\n"
                       "..........\n"
                       ".S....###.\n"
                       "#######G#.\n"
                       "########..\n"));
    // The same passage two tiles high lets it through.
    EXPECT_TRUE(Leads("##########\n"
                      "......####\n"
                      ".........#\n"
                      "..S......#\n"
                      "#####..G.#\n"
                      "##########\n"));
    // Rooms that touch only at a corner.
    EXPECT_FALSE(Leads("#######\n"
                       "#..####\n"
                       "#..####\n"
                       "#S.####\n"
                       "###...#\n"
                       "###...#\n"
                       "###.G.#\n"
                       "#######\n"));
}

TEST(Reach, AStartOnItsMarkerBlockAndAGoalUnderALidOneTileHigh) {
    EXPECT_TRUE(Leads("........\n........\n........\n..S...G.\n########\n"));
    EXPECT_FALSE(Leads("........\n........\n.....#..\n..S..G..\n########\n"));
    // A body standing with its centre in the tile below the goal reaches it too.
    EXPECT_TRUE(Leads("........\n......G.\n........\n..S.....\n########\n"));
}

// Every stage we ship is clearable: none may be judged walled in.
TEST(Reach, EveryShippedStageLeadsToItsGoal) {
    const char* stages[] = {"tools/maptool/map.txt",
                            "tools/maptool/lessons/1-long-pit.txt",
                            "tools/maptool/lessons/2-double-shot.txt",
                            "tools/maptool/lessons/3-ledge-climb.txt",
                            "tools/maptool/lessons/4-walker.txt",
                            "tools/maptool/lessons/5-narrow-shaft.txt",
                            "tools/maptool/lessons/6-kill-upward.txt"};
    for (const char* stage : stages) {
        LevelLoadStageFrom(&gMap, (std::string(KALVORO_SOURCE_DIR) + "/" + stage).c_str(), nullptr, nullptr,
                           nullptr);
        ReachBuild(&gField, &gMap);
        EXPECT_TRUE(ReachStartLeadsToGoal(&gField, &gMap)) << stage;
    }
    LevelLoadStageFrom(&gMap,
                       (std::string(KALVORO_SOURCE_DIR) + "/tools/maptool/stages/walled-in.txt").c_str(),
                       nullptr, nullptr, nullptr);
    ReachBuild(&gField, &gMap);
    EXPECT_FALSE(ReachStartLeadsToGoal(&gField, &gMap));
}

} // namespace
