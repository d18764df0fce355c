// Saved games: the hash sees every byte of state that decides play, and a restored game runs on
// exactly as it ran the first time, state and picture.
#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/main.h"
#include "backends/headless/headless.h"
#include "world/level.h"

namespace {

constexpr int32_t VK_LBUTTON = 1;

// The built-in stage a few frames after a shot at a walker: pellets, a moving body, a dead enemy.
PlatformWindow* StartInPlay(void) {
    LevelSetStagePath("no-such-stage.txt");
    PlatformWindow* window = HeadlessOpenWindow(960, 600);
    MainStartup(window);
    HeadlessSetKeyDown(VK_LBUTTON, 1);
    for (int i = 0; i < 20; ++i) {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        HeadlessSetKeyDown(VK_LBUTTON, 0);
    }
    HeadlessSetCursor(900, 560); // down and right: the push goes up and left
    HeadlessSetKeyDown(VK_LBUTTON, 1);
    HeadlessAdvanceTicks(16);
    HeadlessRunFrame(window);
    HeadlessSetKeyDown(VK_LBUTTON, 0);
    return window;
}

bool Within(size_t at, size_t begin, size_t end) {
    return at >= begin && at < end;
}

// The record's padding: between the listed pieces, and inside the player round the shotgun's
// definition pointer, its one 8-byte field.
bool Padding(size_t at) {
    int32_t count = 0;
    const GameSnapshotPart* parts = GameSnapshotParts(&count);
    bool listed = false;
    for (int32_t i = 0; i < count; ++i) {
        listed = listed || Within(at, parts[i].offset, parts[i].offset + parts[i].size);
    }
    const size_t player = offsetof(GameSnapshot, player);
    const size_t gun = player + offsetof(Player, shotgun);
    return !listed || Within(at, player + sizeof(Body), gun) ||
           Within(at, gun + offsetof(Shotgun, reloading) + sizeof(int32_t), gun + sizeof(Shotgun)) ||
           Within(at, player + offsetof(Player, pelletCount) + sizeof(int32_t), player + sizeof(Player));
}

// What the hash leaves out on purpose: the definition pointer, the layout and the synthesiser.
bool Unhashed(size_t at) {
    const size_t def = offsetof(GameSnapshot, player) + offsetof(Player, shotgun) + offsetof(Shotgun, def);
    const size_t layout = offsetof(GameSnapshot, layout);
    const size_t audio = offsetof(GameSnapshot, audio);
    return Within(at, def, def + sizeof(void*)) || Within(at, layout, layout + sizeof(RenderLayout)) ||
           Within(at, audio, audio + sizeof(AudioState));
}

TEST(GameSnapshot, EveryByteOfPlayStateChangesTheHash) {
    PlatformWindow* window = StartInPlay();
    (void)window;
    static GameSnapshot snap;
    GameStateSave(&snap);
    ASSERT_EQ(snap.mode, MODE_PLAYING);
    ASSERT_GT(snap.player.pelletCount, 0);
    // Every slot counted, so every slot is hashed.
    snap.player.pelletCount = MAX_PELLETS;
    snap.map.enemySpawnCount = MAX_ENEMY_SPAWNS;
    const uint64_t base = GameSnapshotHash(&snap);
    uint8_t* bytes = (uint8_t*)&snap;
    size_t hashed = 0;
    for (size_t at = 0; at < sizeof(snap); ++at) {
        bytes[at] ^= 0x5A;
        const uint64_t flipped = GameSnapshotHash(&snap);
        bytes[at] ^= 0x5A;
        if (Padding(at) || Unhashed(at)) {
            EXPECT_EQ(flipped, base) << "byte " << at << " should not be hashed";
        } else {
            ASSERT_NE(flipped, base) << "byte " << at << " of the record is missing from the hash";
            ++hashed;
        }
    }
    EXPECT_GT(hashed, sizeof(Tilemap));
    MainShutdown();
    LevelSetStagePath(nullptr);
}

// The list covers the whole record, in order, and names every file-scope variable of game_state.cpp:
// a static added there without its line in the list is state that saves, searches and the hash miss.
#define LISTED_VALUE(type, field, name, hash, play) #name,
#define LISTED_ARRAY(type, field, name, count, hash, play) #name,
#define LISTED_MODULE(type, field, save, restore, hash, play)
TEST(GameSnapshot, TheListNamesEveryPieceOfStateOnce) {
    int32_t count = 0;
    const GameSnapshotPart* parts = GameSnapshotParts(&count);
    size_t end = 0;
    for (int32_t i = 0; i < count; ++i) {
        EXPECT_GE(parts[i].offset, end) << parts[i].name;
        EXPECT_LT(parts[i].offset - end, 8u) << parts[i].name << ": more than alignment before it";
        end = parts[i].offset + parts[i].size;
    }
    EXPECT_GT(end + 8, sizeof(GameSnapshot));

    const std::set<std::string> listed = {GAME_STATE_LIST(LISTED_VALUE, LISTED_ARRAY, LISTED_MODULE)};
    std::ifstream source(KALVORO_SOURCE_DIR "/app/game_state.cpp");
    ASSERT_TRUE(source.good());
    const std::regex fileStatic(
        R"(^static\s+[A-Za-z_][A-Za-z0-9_]*\s+(g[A-Za-z0-9_]*)\s*(\[[^\]]*\])?\s*(=[^;]*)?;)");
    std::string line;
    int32_t statics = 0;
    while (std::getline(source, line)) {
        std::smatch m;
        if (std::regex_search(line, m, fileStatic)) {
            ++statics;
            EXPECT_EQ(listed.count(m[1].str()), 1u) << m[1].str() << " is missing from GAME_STATE_LIST";
        }
    }
    EXPECT_EQ((size_t)statics, listed.size());
}

struct FrameRecord {
    uint64_t hash;
    std::vector<uint32_t> picture;
};

// n frames with a shot at frame 3 and a reload at frame 30; each frame's state hash and picture.
std::vector<FrameRecord> PlayOn(PlatformWindow* window, int n) {
    std::vector<FrameRecord> out;
    static GameSnapshot snap;
    for (int i = 0; i < n; ++i) {
        HeadlessSetKeyDown(VK_LBUTTON, i == 3);
        HeadlessSetKeyDown('R', i == 30);
        HeadlessSetCursor(100 + 7 * i, 580);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        GameStateSave(&snap);
        int32_t w = 0;
        int32_t h = 0;
        const uint32_t* image = HeadlessPresentedImage(&w, &h);
        out.push_back({GameSnapshotHash(&snap), std::vector<uint32_t>(image, image + (size_t)w * (size_t)h)});
    }
    HeadlessSetKeyDown(VK_LBUTTON, 0);
    HeadlessSetKeyDown('R', 0);
    return out;
}

TEST(GameSnapshot, ARestoredGameRunsOnTheSameWay) {
    PlatformWindow* window = StartInPlay();
    static GameSnapshot saved;
    GameStateSave(&saved);
    const uint64_t savedHash = GameSnapshotHash(&saved);
    const std::vector<FrameRecord> first = PlayOn(window, 90);
    GameStateRestore(&saved);
    static GameSnapshot again;
    GameStateSave(&again);
    EXPECT_EQ(GameSnapshotHash(&again), savedHash);
    const std::vector<FrameRecord> second = PlayOn(window, 90);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_NE(first.front().hash, first.back().hash); // the game did move
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(first[i].hash, second[i].hash) << "frame " << i;
        ASSERT_TRUE(first[i].picture == second[i].picture) << "frame " << i;
    }
    MainShutdown();
    LevelSetStagePath(nullptr);
}

TEST(GameSnapshot, TheStepIsTheFrameWithoutDrawing) {
    // Same inputs through the step alone and through whole frames: the same states.
    PlatformWindow* window = StartInPlay();
    static GameSnapshot saved;
    static GameSnapshot snap;
    GameStateSave(&saved);
    std::vector<uint64_t> full;
    for (int i = 0; i < 60; ++i) {
        HeadlessSetKeyState(VK_LBUTTON, i % 20 == 5);
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
        GameStateSave(&snap);
        full.push_back(GameSnapshotHash(&snap));
    }
    GameStateRestore(&saved);
    for (int i = 0; i < 60; ++i) {
        HeadlessSetKeyState(VK_LBUTTON, i % 20 == 5);
        GameStateStep(window, 16.0f);
        GameStateSave(&snap);
        ASSERT_EQ(GameSnapshotHash(&snap), full[(size_t)i]) << "frame " << i;
    }
    HeadlessSetKeyState(VK_LBUTTON, 0);
    MainShutdown();
    LevelSetStagePath(nullptr);
}

} // namespace
