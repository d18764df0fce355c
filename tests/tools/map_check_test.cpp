// map_check_test.cpp -- maptool's check and preview: what the loader does quietly is reported, the
// verdict says whether a stage can be cleared, and the stitched preview has no seams.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <random>
#include <string>

#include "tools/maptool/map_check.h"
#include "tools/maptool/map_preview.h"

namespace fs = std::filesystem;

namespace {

MapCheckReport gReport;

class MapCheck : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        std::random_device random;
        dir = fs::temp_directory_path() / ("kalvoro-maptool-" + std::to_string(random()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    const MapCheckReport& Check(const std::string& text) {
        const std::string path = (dir / "stage.txt").string();
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
        EXPECT_TRUE(MapCheckFile(path.c_str(), &gReport));
        return gReport;
    }
    static int Says(const std::vector<std::string>& lines, const char* fragment) {
        for (const std::string& line : lines) {
            if (line.find(fragment) != std::string::npos) {
                return 1;
            }
        }
        return 0;
    }
};

// A small clearable stage: spawn at the left, one enemy on the floor, the goal at the right.
const char* const GOOD = "......................\n"
                         "......................\n"
                         "......................\n"
                         "....................G.\n"
                         ".S........E...........\n"
                         "######################\n";

TEST_F(MapCheck, AClearableStageIsDescribed) {
    const MapCheckReport& r = Check(GOOD);
    EXPECT_EQ(r.verdict, MAP_CHECK_OK);
    EXPECT_TRUE(r.usedFile);
    EXPECT_EQ(r.map.width, 22);
    EXPECT_EQ(r.map.height, 6);
    EXPECT_EQ(r.spawnCol, 1);
    EXPECT_EQ(r.spawnRow, 4);
    EXPECT_EQ(r.goalCells, 1);
    EXPECT_EQ(r.enemiesWalking, 1);
    EXPECT_TRUE(Says(r.facts, "size: 22 x 6 tiles"));
    EXPECT_TRUE(Says(r.facts, "goal: 1 cell at (column, row) (20, 3)"));
    EXPECT_TRUE(Says(r.facts, "enemy 0 at (168, 72): walks left first, patrols x 42 to 352"));
    EXPECT_TRUE(r.warnings.empty()) << r.warnings[0];
}

TEST_F(MapCheck, WhatCannotBeClearedIsAnError) {
    const MapCheckReport& noGoal = Check(".S..\n####\n");
    EXPECT_EQ(noGoal.verdict, MAP_CHECK_UNCLEARABLE);
    EXPECT_TRUE(Says(noGoal.errors, "no goal (G)"));
    // A goal in the top row or the left column is overwritten by the border.
    const MapCheckReport& border = Check("...G\nG...\n.S..\n####\n");
    EXPECT_EQ(border.verdict, MAP_CHECK_UNCLEARABLE);
    EXPECT_TRUE(Says(border.warnings, "0 S, 0 E and 2 G stand in the top row or the left column"));
    // Nothing the loader can use: the game quietly plays its own stage.
    for (const char* text : {"", "\n\n\n"}) {
        const MapCheckReport& empty = Check(text);
        EXPECT_EQ(empty.verdict, MAP_CHECK_UNCLEARABLE);
        EXPECT_FALSE(empty.usedFile);
        EXPECT_TRUE(Says(empty.errors, "plays its built-in stage"));
    }
    EXPECT_FALSE(MapCheckFile((dir / "missing.txt").string().c_str(), &gReport));
}

TEST_F(MapCheck, QuietLoaderBehaviourIsReported) {
    // Carriage returns: one column wider than the same text with bare line feeds.
    std::string crlf = GOOD;
    for (size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) {
        crlf.insert(at, "\r");
    }
    const MapCheckReport& cr = Check(crlf);
    EXPECT_EQ(cr.map.width, 23);
    EXPECT_TRUE(Says(cr.warnings, "6 lines end with a carriage return"));
    // A long line and surplus lines are cut, and whether tiles were lost is said.
    std::string text = std::string(GOOD) + std::string(150, '.') + "#\n";
    for (int i = 0; i < 30; ++i) {
        text += "#\n";
    }
    const MapCheckReport& cut = Check(text);
    EXPECT_TRUE(Says(cut.warnings,
                     "line 7 is 151 bytes long: only the first 128 are used, and the cut part holds tiles"));
    EXPECT_TRUE(
        Says(cut.warnings,
             "the file has 37 lines: only the first 32 are read (5 of the ignored lines hold tiles)"));
    // Characters that are not tiles, with a hint where one is likely.
    const MapCheckReport& odd = Check("......G\n.s..x\t\n######\n");
    EXPECT_TRUE(Says(odd.warnings,
                     "line 2 column 1: 's' is not a tile character, so the cell is empty (did you mean S?)"));
    EXPECT_TRUE(Says(odd.warnings, "line 2 column 4: 'x'"));
    EXPECT_TRUE(Says(odd.warnings,
                     "byte 0x09 is not a tile character, so the cell is empty (a tab is one empty column)"));
    EXPECT_TRUE(Says(odd.warnings, "no S: the player starts in column 2"));
}

TEST_F(MapCheck, EnemyMarkersBeyondWhatWalksAreReported) {
    // Nine markers: the ninth is removed; no markers at all: the four standard enemies.
    std::string nine = "........................G\n.S.E.E.E.E.E.E.E.E.E.....\n#########################\n";
    const MapCheckReport& r9 = Check(nine);
    EXPECT_EQ(r9.enemyMarkers, 9);
    EXPECT_EQ(r9.enemiesWalking, 8);
    EXPECT_TRUE(Says(r9.warnings, "9 E markers: only the first 8 in reading order walk"));
    EXPECT_FALSE(Says(r9.warnings, "drops the rest"));
    std::string many = "G\n";
    for (int row = 0; row < 3; ++row) {
        many += "." + std::string(12, 'E') + "\n" + std::string(13, '#') + "\n";
    }
    const MapCheckReport& r36 = Check(many);
    EXPECT_EQ(r36.enemyMarkers, 36);
    EXPECT_EQ(r36.map.enemySpawnCount, 32);
    EXPECT_TRUE(Says(r36.warnings, "36 E markers: the game keeps 32 and drops the rest"));
    const MapCheckReport& none = Check("....\n.S.G\n####\n");
    EXPECT_EQ(none.enemiesWalking, 4);
    EXPECT_TRUE(Says(none.warnings, "no E: the game places its four standard enemies"));
    // A marker with no floor stands and jitters; one that walks over the spawn is a trap.
    const MapCheckReport& stuck = Check("........G\n.S..E....\n####.####\n");
    EXPECT_TRUE(Says(stuck.warnings, "enemy 0 at (72, 24) has no floor to walk on"));
    EXPECT_TRUE(Says(stuck.facts, "enemy 0 at (72, 24): stands and jitters in place"));
    // The S block itself turns enemies on its own row; an S set into the floor does not.
    EXPECT_FALSE(Says(Check(GOOD).warnings, "walks over the spawn point"));
    const MapCheckReport& trap = Check(".........G\n....E....\n.S#######\n");
    EXPECT_TRUE(Says(trap.warnings, "enemy 0 walks over the spawn point"));
}

TEST_F(MapCheck, ThePreviewHasNoSeamsBetweenViews) {
    // Ground across a 320-pixel seam and below the 192-pixel one; the player and an enemy drawn.
    std::string text;
    for (int row = 0; row < 14; ++row) {
        text += std::string(30, '.') + "\n";
    }
    text += ".S...................E.......G\n" + std::string(30, '#') + "\n";
    const MapCheckReport& r = Check(text);
    ASSERT_EQ(r.map.height, 16);
    std::vector<uint32_t> pixels;
    int32_t w = 0;
    int32_t h = 0;
    ASSERT_TRUE(MapPreviewDraw(&r.map, &pixels, &w, &h));
    ASSERT_EQ(w, 480);
    ASSERT_EQ(h, 256);
    // Tiles 19 and 20 of the ground row (row 15, y 240..255) meet at x = 320 exactly as 18 and 19 do.
    for (int32_t y = 240; y < 256; ++y) {
        EXPECT_EQ(pixels[(size_t)y * w + 319 - 16], pixels[(size_t)y * w + 319]) << y;
        EXPECT_EQ(pixels[(size_t)y * w + 320 - 16], pixels[(size_t)y * w + 320]) << y;
    }
    // Row 12 lies across the vertical seam at y = 192: sky above and below it, no black band.
    for (int32_t y = 188; y < 196; ++y) {
        EXPECT_EQ(pixels[(size_t)y * w + 100], 0x58A4D8u) << y;
    }
    // The enemy's body (0x3EB849) at its marker (column 21 of row 14: x 344, y 232) and the player's
    // skin-coloured body (0xD7C792) standing on the spawn cell.
    EXPECT_EQ(pixels[(size_t)(232 - 7) * w + 344], 0x3EB849u);
    EXPECT_EQ(pixels[(size_t)(224 - 14 - 10) * w + 24], 0xD7C792u);
}

} // namespace
