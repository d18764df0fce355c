// level_test.cpp -- the stage loader: the built-in stage, the text format, the finishing steps and
// sound behaviour against files that are odd, huge or not files at all.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "world/level.h"
#include "world/physics.h"
#include "world/tilemap.h"

namespace fs = std::filesystem;

namespace {

Tilemap gMap;

// Each test gets a fresh folder for its stage files; the loader is pointed back at the default
// path afterwards.
class LevelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        dir = fs::temp_directory_path() /
              ("kalvoro-level-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        LevelSetStagePath(nullptr);
        std::error_code error;
        fs::remove_all(dir, error);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = (dir / name).string();
        FILE* file = fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) {
            fwrite(bytes.data(), 1, bytes.size(), file);
            fclose(file);
        }
        return path;
    }

    // Loads the stage text through the game's one entry.
    Tilemap* Load(const std::string& bytes) {
        LevelSetStagePath(Write("map.txt", bytes).c_str());
        LevelLoadTestStage(&gMap);
        return &gMap;
    }

    fs::path dir;
};

// The built-in stage as loaded: 80 x 15 with the goal at (74, 5).
void ExpectBuiltInStage(const Tilemap* map) {
    ASSERT_EQ(map->width, 80);
    ASSERT_EQ(map->height, 15);
    EXPECT_EQ(TilemapGetTile(map, 74, 5), TILE_GOAL);
    EXPECT_EQ(map->spawnX, 56.0f);
    EXPECT_EQ(map->spawnY, 209.99f);
}

int RowsUsed(const Tilemap* map, int col) {
    int count = 0;
    for (int row = 0; row < map->height; ++row) {
        count += TilemapIsSolid(TilemapGetTile(map, col, row));
    }
    return count;
}

TEST_F(LevelTest, BuiltInStageAsListed) {
    LevelSetStagePath((dir / "missing.txt").string().c_str());
    LevelLoadTestStage(&gMap);
    ExpectBuiltInStage(&gMap);
    EXPECT_EQ(gMap.enemySpawnCount, 0);
    for (int col = 0; col < 80; ++col) {
        EXPECT_EQ(TilemapGetTile(&gMap, col, 0), TILE_GROUND) << col;
    }
    for (int row = 0; row < 15; ++row) {
        EXPECT_EQ(TilemapGetTile(&gMap, 0, row), TILE_GROUND) << row;
    }
    // The marker became a ground block.
    EXPECT_EQ(TilemapGetTile(&gMap, 3, 13), TILE_GROUND);

    const int platformCols[7] = {12, 20, 28, 36, 44, 52, 63};
    for (int i = 0; i < 7; ++i) {
        int row = 12 - i;
        for (int col = 1; col < 80; ++col) {
            bool on = col >= platformCols[i] && col < platformCols[i] + 4;
            EXPECT_EQ(TilemapGetTile(&gMap, col, row), on ? TILE_PLATFORM : TILE_EMPTY) << col << "," << row;
        }
    }
    const int runs[12][2] = {{0, 3},   {7, 8},   {12, 15}, {19, 23}, {27, 30}, {34, 38},
                             {42, 44}, {48, 50}, {54, 56}, {60, 63}, {67, 70}, {74, 79}};
    for (int col = 0; col < 80; ++col) {
        bool solid = false;
        for (const auto& run : runs) {
            solid = solid || (col >= run[0] && col <= run[1]);
        }
        EXPECT_EQ(TilemapGetTile(&gMap, col, 14), solid ? TILE_GROUND : TILE_EMPTY) << col;
    }
    // Nothing else is solid: the border, the ground runs, the platforms and the marker block.
    int solidCells = 0;
    for (int col = 0; col < 80; ++col) {
        solidCells += RowsUsed(&gMap, col);
    }
    EXPECT_EQ(solidCells, 80 + 14 + (47 - 1) + 28 + 1);
}

TEST_F(LevelTest, BuiltInPlayerComesToRestOnTheMarkerBlock) {
    LevelSetStagePath((dir / "missing.txt").string().c_str());
    LevelLoadTestStage(&gMap);
    Body body = {gMap.spawnX, gMap.spawnY, 0.0f, 0.0f, 0};
    PhysicsIntegrate(&body, 2.0f);
    TilemapResolveBody(&gMap, &body, 2.0f);
    EXPECT_EQ(body.y, 193.95f);
    EXPECT_EQ(body.y, 208 - 14.05f);
    EXPECT_EQ(body.onGround, 1);
    // Three 33 ms frames in 2 ms sub-steps change nothing more.
    for (int step = 0; step < 50; ++step) {
        PhysicsIntegrate(&body, 2.0f);
        TilemapResolveBody(&gMap, &body, 2.0f);
    }
    EXPECT_EQ(body.x, 56.0f);
    EXPECT_EQ(body.y, 193.95f);
    EXPECT_EQ(body.vy, 0.0f);
    EXPECT_EQ(body.onGround, 1);
}

TEST_F(LevelTest, UnusableFilesGiveTheBuiltInStage) {
    const char* const contents[] = {"", "\n", "\n\n\n\n",
                                    "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n#"};
    for (const char* text : contents) {
        TilemapSetTile(&gMap, 100, 20, TILE_GROUND);
        ExpectBuiltInStage(Load(text));
    }
    // Missing, a folder, a device, and a path too long for any system.
    const std::string paths[] = {(dir / "missing.txt").string(), dir.string(), "/dev/null",
                                 (dir / std::string(5000, 'a')).string()};
    for (const std::string& path : paths) {
        TilemapSetTile(&gMap, 100, 20, TILE_GROUND);
        LevelSetStagePath(path.c_str());
        LevelLoadTestStage(&gMap);
        ExpectBuiltInStage(&gMap);
    }
}

TEST_F(LevelTest, FifoIsNeverOpened) {
    // Opening a FIFO with no writer would block; the loader must not even try.
    std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
    ASSERT_TRUE(fs::is_fifo(fifo));
    LevelSetStagePath(fifo.c_str());
    LevelLoadTestStage(&gMap);
    ExpectBuiltInStage(&gMap);
}

// The tools read through the same load: it names where the stage came from, and a watcher of the
// bytes sees the file on to the cap while the map stays exactly the game's.
TEST_F(LevelTest, LoadSaysWhereTheStageCameFromAndShowsTheBytes) {
    LevelReadInfo info;
    LevelLoadStageFrom(&gMap, dir.string().c_str(), nullptr, nullptr, &info);
    EXPECT_EQ(info.source, LEVEL_BUILTIN_NOT_REGULAR);
    LevelLoadStageFrom(&gMap, Write("empty.txt", "\n\n").c_str(), nullptr, nullptr, &info);
    EXPECT_EQ(info.source, LEVEL_BUILTIN_NO_CELLS);

    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += i == 35 ? "..G\n" : "..#\n";
    }
    const std::string path = Write("forty.txt", text + std::string(LEVEL_MAX_READ_BYTES, '.'));
    LevelLoadStageFrom(&gMap, path.c_str(), nullptr, nullptr, &info);
    static Tilemap alone;
    alone = gMap;
    std::string seen;
    auto keep = [](void* context, const unsigned char* bytes, size_t count) {
        ((std::string*)context)->append((const char*)bytes, count);
    };
    LevelLoadStageFrom(&gMap, path.c_str(), keep, &seen, &info);
    EXPECT_EQ(info.source, LEVEL_FROM_FILE);
    EXPECT_EQ(seen, (text + std::string(LEVEL_MAX_READ_BYTES, '.')).substr(0, LEVEL_MAX_READ_BYTES));
    EXPECT_EQ(info.capped, 1);
    EXPECT_EQ(memcmp(&alone, &gMap, sizeof(gMap)), 0);
}

TEST_F(LevelTest, DefaultPathIsReadAfreshAtEveryLoad) {
    fs::path old = fs::current_path();
    fs::create_directories(dir / "tools" / "maptool");
    fs::current_path(dir);
    LevelSetStagePath(nullptr);
    Write("tools/maptool/map.txt", "....\n..G\n");
    LevelLoadTestStage(&gMap);
    EXPECT_EQ(gMap.width, 4);
    EXPECT_EQ(TilemapGetTile(&gMap, 2, 1), TILE_GOAL);

    Write("tools/maptool/map.txt", "......\n......\n.....G\n");
    LevelLoadTestStage(&gMap);
    EXPECT_EQ(gMap.width, 6);
    EXPECT_EQ(TilemapGetTile(&gMap, 5, 2), TILE_GOAL);
    fs::current_path(old);
}

TEST_F(LevelTest, BorderOverwritesMarkersAndGoal) {
    // Only "E": a 1 x 1 stage whose only cell is border.
    Tilemap* map = Load("E");
    EXPECT_EQ(map->width, 1);
    EXPECT_EQ(map->height, 1);
    EXPECT_EQ(TilemapGetTile(map, 0, 0), TILE_GROUND);
    EXPECT_EQ(map->enemySpawnCount, 0);

    map = Load("SEG.\nE...\nS...\nG...\n");
    for (int col = 0; col < 4; ++col) {
        EXPECT_EQ(TilemapGetTile(map, col, 0), TILE_GROUND);
    }
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(TilemapGetTile(map, 0, row), TILE_GROUND);
    }
    EXPECT_EQ(map->enemySpawnCount, 0);
    // No marker left: the default spawn over the bottom row in column 2.
    EXPECT_EQ(map->spawnX, 40.0f);
    EXPECT_EQ(map->spawnY, 16 * 3 - 14 - 0.01f);
}

TEST_F(LevelTest, EnemyMarkersBecomeSpawnEntries) {
    Tilemap* map = Load("\n\n\n.....E\n");
    ASSERT_EQ(map->enemySpawnCount, 1);
    EXPECT_EQ(map->enemySpawnX[0], 88.0f);
    EXPECT_EQ(map->enemySpawnY[0], 56.0f);
    EXPECT_EQ(TilemapGetTile(map, 5, 3), TILE_EMPTY);

    // 33 markers: 20 on row 2, 13 on row 3; the first 32 in scan order are kept, all are emptied.
    std::string text = "\n\n." + std::string(20, 'E') + "\n." + std::string(13, 'E') + "\n";
    map = Load(text);
    ASSERT_EQ(map->enemySpawnCount, 32);
    EXPECT_EQ(map->enemySpawnX[0], 24.0f);
    EXPECT_EQ(map->enemySpawnY[0], 40.0f);
    EXPECT_EQ(map->enemySpawnX[19], 16 * 20 + 8.0f);
    EXPECT_EQ(map->enemySpawnX[20], 24.0f);
    EXPECT_EQ(map->enemySpawnY[20], 56.0f);
    EXPECT_EQ(map->enemySpawnX[31], 16 * 12 + 8.0f);
    EXPECT_EQ(map->enemySpawnY[31], 56.0f);
    for (int col = 1; col <= 20; ++col) {
        EXPECT_EQ(TilemapGetTile(map, col, 2), TILE_EMPTY);
    }
    EXPECT_EQ(TilemapGetTile(map, 13, 3), TILE_EMPTY);
}

TEST_F(LevelTest, EveryByteMapsThroughTheTable) {
    // Row 2 holds bytes 0..127 but the line feed, row 3 bytes 128..255; column 0 is border.
    std::string low = ".";
    for (int b = 0; b < 128; ++b) {
        if (b != 0x0A) {
            low += (char)b;
        }
    }
    std::string high = ".";
    for (int b = 128; b < 256; ++b) {
        high += (char)b;
    }
    Tilemap* map = Load("\n\n" + low + "\n" + high + "\n");
    ASSERT_EQ(map->width, 128);
    ASSERT_EQ(map->height, 4);
    for (int col = 1; col < 128; ++col) {
        int byte = (unsigned char)low[col];
        int expected = TILE_EMPTY;
        switch (byte) {
        case '#':
        case '1':
            expected = TILE_GROUND;
            break;
        case '=':
        case '2':
            expected = TILE_PLATFORM;
            break;
        case '|':
        case '3':
            expected = TILE_PILLAR;
            break;
        case '4':
            expected = TILE_SOLID_4;
            break;
        case '5':
            expected = TILE_SOLID_5;
            break;
        case '6':
            expected = TILE_SOLID_6;
            break;
        case '7':
            expected = TILE_SOLID_7;
            break;
        case 'S':
            expected = TILE_GROUND;
            break; // the marker leaves a block
        case 'G':
            expected = TILE_GOAL;
            break;
        default:
            break; // "E" is collected and emptied; NUL, "0", "8", "9", letters and the rest are empty
        }
        EXPECT_EQ(TilemapGetTile(map, col, 2), expected) << "byte " << byte;
        // Nothing stands under the "S", so it gets a block in the bottom row below it.
        EXPECT_EQ(TilemapGetTile(map, col, 3), byte == 'S' ? TILE_GROUND : TILE_EMPTY)
            << "byte " << col + 127;
    }
    ASSERT_EQ(map->enemySpawnCount, 1);
    EXPECT_EQ(map->enemySpawnX[0], 16.0f * (1 + 'E' - 1) + 8.0f);
    EXPECT_EQ(map->spawnX, 16.0f * (1 + 'S' - 1) + 8.0f);
}

TEST_F(LevelTest, RaggedLinesAndCarriageReturns) {
    Tilemap* map = Load("...\n.........#\n.\n");
    EXPECT_EQ(map->width, 10);
    EXPECT_EQ(map->height, 3);
    EXPECT_EQ(TilemapGetTile(map, 9, 1), TILE_GROUND);
    EXPECT_EQ(TilemapGetTile(map, 5, 2), TILE_EMPTY);

    // A carriage return is a cell of its own: one column wider.
    map = Load("...\r\n.........#\r\n.\r\n");
    EXPECT_EQ(map->width, 11);
    EXPECT_EQ(map->height, 3);

    // Blank lines at the end add rows (with border cells) only when they hold a carriage return.
    map = Load("....\n\n\n");
    EXPECT_EQ(map->height, 1);
    map = Load("....\r\n\r\n\r\n");
    EXPECT_EQ(map->height, 3);
    EXPECT_EQ(TilemapGetTile(map, 0, 2), TILE_GROUND);
    EXPECT_EQ(TilemapGetTile(map, 1, 2), TILE_EMPTY);

    // A blank line keeps its row number, and a last line without a line feed counts.
    map = Load("..\n\n..G");
    EXPECT_EQ(map->height, 3);
    EXPECT_EQ(TilemapGetTile(map, 2, 2), TILE_GOAL);
}

TEST_F(LevelTest, TextInMemoryGivesTheRawGridAndWritesBackPlain) {
    // Markers and the top row stay as written; a carriage return is a cell, a blank line a row.
    static Tilemap raw;
    const std::string text = ".#=|4567SEG\r\n\n123x";
    ASSERT_EQ(LevelReadGridText(&raw, text.data(), text.size()), 1);
    EXPECT_EQ(raw.width, 12);
    EXPECT_EQ(raw.height, 3);
    EXPECT_EQ(raw.enemySpawnCount, 0);
    for (int id = TILE_EMPTY; id <= TILE_GOAL; ++id) {
        EXPECT_EQ(TilemapGetTile(&raw, id, 0), id);
    }
    char out[LEVEL_MAX_TEXT_BYTES];
    ASSERT_EQ(LevelWriteText(&raw, out, sizeof(out)), 39u);
    EXPECT_EQ(std::string(out, 39), ".#=|4567SEG.\n............\n#=|.........\n");
    EXPECT_EQ(LevelWriteText(&raw, out, 38), 0u);
    // The same bytes in a file give the same grid, raw or finished.
    static Tilemap fromFile;
    ASSERT_EQ(LevelReadGridFile(&fromFile, Write("raw.txt", text).c_str()), LEVEL_FROM_FILE);
    EXPECT_EQ(memcmp(&fromFile, &raw, sizeof(raw)), 0);
    EXPECT_EQ(LevelReadGridFile(&fromFile, (dir / "none.txt").string().c_str()), LEVEL_BUILTIN_NO_FILE);
    Tilemap* map = Load(text);
    EXPECT_EQ(map->width, raw.width);
    EXPECT_EQ(map->height, raw.height);
    EXPECT_EQ(TilemapGetTile(map, TILE_GOAL, 0), TILE_GROUND);
    EXPECT_EQ(LevelReadGridText(&raw, "\n\n", 2), 0);
}

TEST_F(LevelTest, OnlyThirtyTwoLinesOf128BytesAreUsed) {
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += i < 32 ? "..\n" : "..E\n";
    }
    text += std::string(127, '.') + "#E" + std::string(70, 'E') + "\n";
    Tilemap* map = Load(text);
    EXPECT_EQ(map->height, 32);
    EXPECT_EQ(map->enemySpawnCount, 0);

    map = Load("\n" + std::string(127, '.') + "#" + std::string(72, 'E') + "\n..E\n");
    EXPECT_EQ(map->width, 128);
    EXPECT_EQ(map->height, 3);
    EXPECT_EQ(TilemapGetTile(map, 127, 1), TILE_GROUND);
    ASSERT_EQ(map->enemySpawnCount, 1);
    EXPECT_EQ(map->enemySpawnX[0], 40.0f);
    EXPECT_EQ(map->enemySpawnY[0], 40.0f);

    // A line longer than any read buffer is skipped to its line feed, and the next line still counts.
    map = Load(std::string(10000, '#') + "\n" + std::string(9000, '.') + "\n..E");
    EXPECT_EQ(map->width, 128);
    EXPECT_EQ(map->height, 3);
    ASSERT_EQ(map->enemySpawnCount, 1);
    EXPECT_EQ(map->enemySpawnY[0], 40.0f);
}

// Peak resident size in kB from /proc, or -1 where there is no such file.
// The process's data segment (heap and private mappings) in kB, or -1.
long DataKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmData:") {
            long kb = -1;
            status >> kb;
            return kb;
        }
    }
    return -1;
}

TEST_F(LevelTest, HugeLineDoesNotGrowMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps memory of its own for every allocation";
#endif
    // 100 MB with no line feed, written in small pieces.
    std::string path = (dir / "huge.txt").string();
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::string chunk(1 << 16, '#');
    for (int i = 0; i < 100 * 16; ++i) {
        fwrite(chunk.data(), 1, chunk.size(), file);
    }
    fclose(file);
    LevelSetStagePath(path.c_str());
    if (DataKb() < 0) {
        GTEST_SKIP() << "no /proc/self/status to measure with";
    }
    // The load runs in a child whose data may grow by 256 kB at most: a loader that kept the line (up
    // to the 1 MB read cap) would find no memory there and not come back with the stage.
    fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = (rlim_t)(DataKb() + 256) * 1024;
        struct rlimit data = {limit, limit};
        if (setrlimit(RLIMIT_DATA, &data) != 0) {
            _exit(3);
        }
        LevelLoadTestStage(&gMap);
        _exit(gMap.width == 128 && gMap.height == 1 && TilemapGetTile(&gMap, 127, 0) == TILE_GROUND ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(LevelTest, SpawnSearchesThreeColumns) {
    // Own column empty, left neighbour has ground lower than the right one's: the left decides.
    //             0123456
    Tilemap* map = Load(".......\n"
                        ".......\n"
                        "...S...\n"
                        "....#..\n"
                        ".......\n"
                        "..#....\n");
    EXPECT_EQ(map->spawnX, 56.0f);
    EXPECT_EQ(map->spawnY, 16 * 5 - 14 - 0.01f);
    EXPECT_EQ(TilemapGetTile(map, 3, 2), TILE_GROUND);

    // Only the right neighbour has ground.
    map = Load(".......\n...S...\n.......\n....=..\n");
    EXPECT_EQ(map->spawnY, 16 * 3 - 14 - 0.01f);

    // Ground beyond the neighbours does not count: a block is put in the bottom row of its column.
    map = Load(".......\n...S...\n.......\n......#\n.......\n");
    EXPECT_EQ(map->spawnX, 56.0f);
    EXPECT_EQ(map->spawnY, 16 * 4 - 14 - 0.01f);
    EXPECT_EQ(TilemapGetTile(map, 3, 4), TILE_GROUND);

    // And the player stands on that block.
    Body body = {map->spawnX, map->spawnY, 0.0f, 0.0f, 0};
    for (int step = 0; step < 30; ++step) {
        PhysicsIntegrate(&body, 2.0f);
        TilemapResolveBody(map, &body, 2.0f);
    }
    EXPECT_EQ(body.onGround, 1);
    EXPECT_EQ(body.y, 16 * 4 - 14.05f);

    // A marker in the last column looks at no column beyond the stage.
    map = Load(".....\n....S\n.....\n");
    EXPECT_EQ(map->spawnX, 72.0f);
    EXPECT_EQ(TilemapGetTile(map, 4, 2), TILE_GROUND);
}

TEST_F(LevelTest, SeveralPlayerMarkersLastOneWins) {
    // The first marker gets a bottom block in column 5; the second, in column 6, then finds that
    // block in its left neighbour instead of getting one of its own.
    Tilemap* map = Load("\n\n\n.....S\n\n\n......S\n\n\n.\n");
    EXPECT_EQ(map->height, 10);
    EXPECT_EQ(TilemapGetTile(map, 5, 9), TILE_GROUND);
    EXPECT_EQ(TilemapGetTile(map, 6, 9), TILE_EMPTY);
    EXPECT_EQ(TilemapGetTile(map, 5, 3), TILE_GROUND);
    EXPECT_EQ(TilemapGetTile(map, 6, 6), TILE_GROUND);
    EXPECT_EQ(map->spawnX, 104.0f);
    EXPECT_EQ(map->spawnY, 16 * 9 - 14 - 0.01f);
}

} // namespace

namespace {

// A stage held as text is read exactly as a file with the same bytes: ragged lines, carriage returns,
// a last line without a line feed, nothing at all, more rows than the map holds.
TEST_F(LevelTest, TextLoadsExactlyAsTheSameBytesInAFile) {
    std::string tall;
    for (int row = 0; row < MAP_MAX_ROWS + 5; ++row) {
        tall += std::string((size_t)(row % 7) + 3, row % 3 ? '.' : '#') + "\n";
    }
    const std::string cases[] = {
        "....\n.S.G\n####\n",
        "..\r\n.S..G\r\n#####",
        "",
        "\n\n\n",
        tall,
        std::string(MAP_MAX_COLS + 40, '.') + "\n" + std::string(MAP_MAX_COLS + 40, '#') + "\nE.S.G\n",
    };
    static Tilemap fromFile;
    static Tilemap fromText;
    for (const std::string& bytes : cases) {
        memset(&fromFile, 0x5A, sizeof(fromFile));
        memset(&fromText, 0x5A, sizeof(fromText));
        LevelReadInfo fileInfo;
        LevelReadInfo textInfo;
        LevelLoadStageFrom(&fromFile, Write("same.txt", bytes).c_str(), nullptr, nullptr, &fileInfo);
        LevelLoadStageText(&fromText, bytes.data(), bytes.size(), &textInfo);
        EXPECT_EQ(memcmp(&fromFile, &fromText, sizeof(Tilemap)), 0) << "bytes: " << bytes.substr(0, 40);
        EXPECT_EQ(textInfo.source, fileInfo.source);
    }
}

TEST_F(LevelTest, TheStageSourceIsTheTextUntilItIsPutBack) {
    const std::string path = Write("file.txt", "......\n.S..G.\n######\n");
    LevelSetStagePath(path.c_str());
    LevelStageSource kept;
    LevelGetStageSource(&kept);
    const std::string text = "..........\n.S......G.\n##########\n";
    LevelSetStageText(text.data(), text.size());
    LevelLoadTestStage(&gMap);
    EXPECT_EQ(gMap.width, 10);
    LevelSetStageSource(&kept);
    LevelLoadTestStage(&gMap);
    EXPECT_EQ(gMap.width, 6);
    LevelSetStageText(nullptr, 0);
}

} // namespace

// The writer and the readers agree: what an editor writes reads back as the same grid, and the game
// loads the written text as it loads the same bytes from a file.
namespace {

void ExpectSameGrid(const Tilemap& a, const Tilemap& b) {
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    for (int row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int col = 0; col < MAP_MAX_COLS; ++col) {
            ASSERT_EQ(a.tiles[row][col], b.tiles[row][col]) << "col " << col << " row " << row;
        }
    }
}

void ExpectSameStage(const Tilemap& a, const Tilemap& b) {
    ExpectSameGrid(a, b);
    EXPECT_EQ(a.spawnX, b.spawnX);
    EXPECT_EQ(a.spawnY, b.spawnY);
    ASSERT_EQ(a.enemySpawnCount, b.enemySpawnCount);
    for (int i = 0; i < a.enemySpawnCount; ++i) {
        EXPECT_EQ(a.enemySpawnX[i], b.enemySpawnX[i]);
        EXPECT_EQ(a.enemySpawnY[i], b.enemySpawnY[i]);
    }
}

// grid -> text -> grid, and text -> game through memory and through a file.
void RoundTrip(const Tilemap& grid, const std::string& file) {
    static char text[LEVEL_MAX_TEXT_BYTES];
    const size_t length = LevelWriteText(&grid, text, sizeof(text));
    ASSERT_GT(length, 0u);
    static Tilemap back;
    ASSERT_EQ(LevelReadGridText(&back, text, length), 1);
    ExpectSameGrid(grid, back);

    std::ofstream(file, std::ios::binary).write(text, (std::streamsize)length);
    ASSERT_EQ(LevelReadGridFile(&back, file.c_str()), LEVEL_FROM_FILE);
    ExpectSameGrid(grid, back);
    static Tilemap fromFile;
    static Tilemap fromText;
    LevelSetStagePath(file.c_str());
    LevelLoadTestStage(&fromFile);
    LevelSetStageText(text, length);
    LevelLoadTestStage(&fromText);
    LevelSetStageText(nullptr, 0);
    ExpectSameStage(fromFile, fromText);
}

} // namespace

TEST_F(LevelTest, TheLargestStageReadsBackAsTheSameGridFromTextOrFile) {
    static Tilemap grid;
    // The largest stage, every cell set, and the walker limit: 32 markers kept, the 33rd dropped.
    TilemapClear(&grid);
    for (int row = 0; row < MAP_MAX_ROWS; ++row) {
        for (int col = 0; col < MAP_MAX_COLS; ++col) {
            TilemapSetTile(&grid, col, row, 1 + (row * 7 + col) % 7);
        }
    }
    for (int i = 0; i < MAX_ENEMY_SPAWNS + 1; ++i) {
        TilemapSetTile(&grid, 2 + i * 3, 20, TILE_ENEMY_SPAWN);
    }
    TilemapSetTile(&grid, 5, 5, TILE_PLAYER_SPAWN);
    TilemapSetTile(&grid, 120, 4, TILE_GOAL);
    RoundTrip(grid, (dir / "largest.txt").string());
    static Tilemap loaded;
    LevelSetStagePath((dir / "largest.txt").string().c_str());
    LevelLoadTestStage(&loaded);
    EXPECT_EQ(loaded.width, MAP_MAX_COLS);
    EXPECT_EQ(loaded.height, MAP_MAX_ROWS);
    EXPECT_EQ(loaded.enemySpawnCount, MAX_ENEMY_SPAWNS);

    // A buffer one byte short writes nothing.
    static char small[LEVEL_MAX_TEXT_BYTES];
    EXPECT_EQ(LevelWriteText(&grid, small, LEVEL_MAX_TEXT_BYTES - 1), 0u);
    EXPECT_EQ(LevelWriteText(&grid, small, LEVEL_MAX_TEXT_BYTES), LEVEL_MAX_TEXT_BYTES);
}
