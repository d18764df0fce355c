// editor_test.cpp -- the stage editor driven through the headless backend with the mouse, the wheel
// and keys, as a person would: painting, palette, undo and redo, limits, play-test and back, save.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actors/enemy.h"
#include "app/editor.h"
#include "app/game_state.h"
#include "app/main.h"
#include "app/stage_open.h"
#include "backends/headless/headless.h"
#include "platform/keys.h"
#include "render/palette.h"
#include "render/render.h"
#include "world/level.h"

namespace fs = std::filesystem;

namespace {

class Editor : public ::testing::Test {
  protected:
    PlatformWindow* window = nullptr;
    std::string path;
    std::string data;

    void SetUp() override {
        path = (fs::current_path() / "editor-test-stage.txt").string();
        fs::remove(path);
        // Recovery copies go to a data folder of the test's own, new for every test.
        data = (fs::current_path() / "editor-test-data").string();
        fs::remove_all(data);
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        window = HeadlessOpenWindow(320, 200); // scale 1: client pixels are logical pixels
        MainStartup(window);
        MainStartEditor(window, path.c_str());
        Cursor(160, 100);
        Frames(200); // the opening message has gone
    }
    void TearDown() override {
        EditorClose();
        MainShutdown();
        fs::remove(path);
    }
    void Frame() {
        HeadlessAdvanceTicks(16);
        HeadlessRunFrame(window);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            Frame();
        }
    }
    void Cursor(int x, int y) { HeadlessSetCursor(x, y); }
    void Press(int32_t vk) {
        HeadlessSetKeyDown(vk, 1);
        Frame();
        HeadlessSetKeyDown(vk, 0);
        Frame();
    }
    void Chord(int32_t modifier, int32_t vk) {
        HeadlessSetKeyDown(modifier, 1);
        Press(vk);
        HeadlessSetKeyDown(modifier, 0);
        Frame();
    }
    // The view scrolled with the arrow keys until the cell's centre is well inside it.
    void ShowCell(int col, int row) {
        Cursor(160, 100);
        for (int i = 0; i < 1000; ++i) {
            float vx = 0, vy = 0;
            EditorGetView(&vx, &vy);
            const float x = col * TILE_SIZE + 8 - vx, y = row * TILE_SIZE + 8 - vy;
            const int32_t key = x < 16                     ? KEY_LEFT
                                : x > 304                  ? KEY_RIGHT
                                : y < EDITOR_BAR_H + 16    ? KEY_UP
                                : y > EDITOR_STATUS_Y - 16 ? KEY_DOWN
                                                           : 0;
            if (key == 0) {
                return;
            }
            HeadlessSetKeyDown(key, 1);
            Frame();
            HeadlessSetKeyDown(key, 0);
        }
    }
    // A click of button on the cell (col, row).
    void ClickCell(int col, int row, int32_t button = KEY_LBUTTON) {
        ShowCell(col, row);
        float vx = 0, vy = 0;
        EditorGetView(&vx, &vy);
        Cursor((int)(col * TILE_SIZE + 8 - vx), (int)(row * TILE_SIZE + 8 - vy));
        Frame();
        Press(button);
    }
    int Tile(int col, int row) { return TilemapGetTile(EditorGetGrid(), col, row); }
    std::string FileText() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(Editor, AMissingFileStartsABlankStageNamedInTheTitle) {
    const Tilemap* grid = EditorGetGrid();
    EXPECT_EQ(grid->width, EDITOR_BLANK_COLS);
    EXPECT_EQ(grid->height, EDITOR_BLANK_ROWS);
    EXPECT_EQ(Tile(0, 5), TILE_GROUND);
    EXPECT_EQ(Tile(10, 0), TILE_GROUND);
    EXPECT_EQ(Tile(10, EDITOR_BLANK_ROWS - 1), TILE_GROUND);
    EXPECT_EQ(Tile(3, EDITOR_BLANK_ROWS - 2), TILE_PLAYER_SPAWN);
    EXPECT_EQ(Tile(EDITOR_BLANK_COLS - 4, EDITOR_BLANK_ROWS - 2), TILE_GOAL);
    EXPECT_FALSE(EditorIsDirty());
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - editor-test-stage.txt");
    EXPECT_FALSE(fs::exists(path)); // nothing is written before Ctrl+S
    // The blank stage has no walker of its own: the game would add four.
    EXPECT_NE(std::string(EditorMessageLine()).find("WALKER"), std::string::npos);
    // The view opens on the start, its floor in view below it.
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    EXPECT_GE(3 * 16 - vx, 0.0f);
    EXPECT_LE(EDITOR_BLANK_ROWS * 16 - vy, (float)EDITOR_STATUS_Y);
    EXPECT_GE((EDITOR_BLANK_ROWS - 2) * 16 - vy, (float)EDITOR_BAR_H);
}

TEST_F(Editor, NumberKeysAndTheWheelPickEveryTileAndTheLeftButtonPaintsIt) {
    for (int n = 0; n < EDITOR_PALETTE_SIZE; ++n) {
        Press(KEY_0 + (n + 1) % 10);
        ASSERT_EQ(EditorGetPaletteIndex(), n);
        ClickCell(2 + n, 5);
    }
    // Every kind of the stage format is on the grid (the start moved from where the blank stage had it).
    for (int n = 0; n < EDITOR_PALETTE_SIZE; ++n) {
        EXPECT_EQ(Tile(2 + n, 5), EditorPaletteTile(n)) << "palette entry " << n;
    }
    EXPECT_EQ(Tile(3, EDITOR_BLANK_ROWS - 2), TILE_EMPTY);
    EXPECT_TRUE(EditorIsDirty());
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - editor-test-stage.txt *");

    // The wheel walks the palette both ways and wraps.
    Press(KEY_0 + 1);
    HeadlessTurnWheel(-1);
    Frame();
    EXPECT_EQ(EditorGetPaletteIndex(), 1);
    HeadlessTurnWheel(2);
    Frame();
    EXPECT_EQ(EditorGetPaletteIndex(), EDITOR_PALETTE_SIZE - 1);
    // A click on the palette bar picks the swatch under it.
    Cursor(4 + 20 * 2 + 8, 10);
    Frame();
    Press(KEY_LBUTTON);
    EXPECT_EQ(EditorGetPaletteIndex(), 2);

    // The right button erases; a drag paints every cell it crosses, as one undo step.
    ClickCell(2, 5, KEY_RBUTTON);
    EXPECT_EQ(Tile(2, 5), TILE_EMPTY);
    Press(KEY_0 + 2);
    Cursor(8, 60);
    Frame();
    HeadlessSetKeyDown(KEY_LBUTTON, 1);
    for (int x = 8; x < 100; x += 8) {
        Cursor(x, 60);
        Frame();
    }
    HeadlessSetKeyDown(KEY_LBUTTON, 0);
    Frame();
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    const int dragRow = (int)((60 + vy) / TILE_SIZE);
    for (int col = 1; col <= (int)((92 + vx) / TILE_SIZE); ++col) {
        EXPECT_EQ(Tile(col, dragRow), TILE_PLATFORM) << "col " << col;
    }
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_NE(Tile(3, dragRow), TILE_PLATFORM);
}

TEST_F(Editor, UndoAndRedoWalkAtLeastAHundredSteps) {
    Press(KEY_0 + 1);
    const Tilemap before = *EditorGetGrid();
    // 110 strokes, each one cell.
    for (int i = 0; i < 110; ++i) {
        ClickCell(1 + i % 12, 2 + i / 12 % 8, (i / 96) % 2 ? KEY_RBUTTON : KEY_LBUTTON);
    }
    const Tilemap after = *EditorGetGrid();
    // The revision the page keeps the stage by moves with every undo and never on an idle frame.
    uint32_t revision = EditorGridRevision();
    Frames(10);
    EXPECT_EQ(EditorGridRevision(), revision);
    for (int i = 0; i < 110; ++i) {
        Chord(KEY_CONTROL, KEY_Z);
        EXPECT_NE(EditorGridRevision(), revision);
        revision = EditorGridRevision();
    }
    EXPECT_EQ(memcmp(EditorGetGrid()->tiles, before.tiles, sizeof(before.tiles)), 0);
    EXPECT_FALSE(EditorIsDirty()); // back where the file was opened
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_STREQ(EditorMessageLine(), "NOTHING TO UNDO");
    for (int i = 0; i < 110; ++i) {
        Chord(KEY_CONTROL, 'Y');
    }
    EXPECT_EQ(memcmp(EditorGetGrid()->tiles, after.tiles, sizeof(after.tiles)), 0);
    // A new stroke after an undo drops the redo steps.
    Chord(KEY_CONTROL, KEY_Z);
    ClickCell(15, 9);
    Chord(KEY_CONTROL, 'Y');
    EXPECT_STREQ(EditorMessageLine(), "NOTHING TO REDO");
}

// A touch screen has no keys: its messages name the page's buttons, and no key names a file.
TEST_F(Editor, MessagesNameTheDevicesControls) {
    Press('P');
    EXPECT_STREQ(EditorMessageLine(), "NO ROUTE YET: V SOLVES THE STAGE");
    EditorSetDevice(EDITOR_DEVICE_TOUCH_PAGE);
    Press('P');
    EXPECT_STREQ(EditorMessageLine(), "NO ROUTE YET: SOLVE FINDS ONE");
    EditorSetDevice(EDITOR_DEVICE_KEYS_FILE);
}

TEST_F(Editor, LimitsAreSaidNeverDropped) {
    Press(KEY_0 + 9);
    for (int i = 0; i < MAX_ENEMIES; ++i) {
        ClickCell(5 + i, 10);
    }
    ClickCell(5 + MAX_ENEMIES, 10);
    EXPECT_EQ(Tile(5 + MAX_ENEMIES, 10), TILE_EMPTY);
    EXPECT_NE(std::string(EditorMessageLine()).find("AT MOST 8 WALKERS"), std::string::npos);
    // One start: placing it again moves it.
    Press(KEY_0 + 8);
    ClickCell(6, 8);
    ClickCell(9, 8);
    EXPECT_EQ(Tile(6, 8), TILE_EMPTY);
    EXPECT_EQ(Tile(9, 8), TILE_PLAYER_SPAWN);
    // Growing and shrinking with Shift and the arrows, up to the loader's 128 x 32.
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    for (int i = 0; i < 60; ++i) {
        Press(KEY_RIGHT);
        Press(KEY_DOWN);
    }
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    Frame();
    EXPECT_EQ(EditorGetGrid()->width, MAP_MAX_COLS);
    EXPECT_EQ(EditorGetGrid()->height, MAP_MAX_ROWS);
    EXPECT_NE(std::string(EditorMessageLine()).find("128 X 32"), std::string::npos);
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    Press(KEY_LEFT);
    Press(KEY_UP);
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    Frame();
    EXPECT_EQ(EditorGetGrid()->width, MAP_MAX_COLS - 1);
    EXPECT_EQ(EditorGetGrid()->height, MAP_MAX_ROWS - 1);
}

TEST_F(Editor, ScrollingByKeysDragAndEdgesStaysNearTheStage) {
    float x0 = 0, y0 = 0, x = 0, y = 0;
    EditorGetView(&x0, &y0);
    HeadlessSetKeyDown(KEY_RIGHT, 1);
    Frames(20);
    HeadlessSetKeyDown(KEY_RIGHT, 0);
    EditorGetView(&x, &y);
    EXPECT_NEAR(x - x0, 20 * 16 * 0.3f, 0.01f);
    // Middle drag: the stage follows the pointer.
    Cursor(200, 100);
    Frame();
    HeadlessSetKeyDown(KEY_MBUTTON, 1);
    Frame();
    Cursor(150, 90);
    Frame();
    HeadlessSetKeyDown(KEY_MBUTTON, 0);
    Frame();
    float dx = 0, dy = 0;
    EditorGetView(&dx, &dy);
    EXPECT_FLOAT_EQ(dx - x, 50.0f);
    EXPECT_FLOAT_EQ(dy - y, 10.0f);
    // The left edge scrolls back, and the view stops a tile before the stage.
    Cursor(0, 100);
    Frames(400);
    EditorGetView(&x, &y);
    EXPECT_FLOAT_EQ(x, -16.0f);
    // A pointer off the picture (beside it, or gone from the window) scrolls nothing.
    Cursor(200, 100);
    Frames(2);
    EditorGetView(&x0, &y0);
    Cursor(400, 250);
    Frames(30);
    HeadlessSetCursorAvailable(0);
    Frames(30);
    HeadlessSetCursorAvailable(1);
    EditorGetView(&x, &y);
    EXPECT_FLOAT_EQ(x, x0);
    EXPECT_FLOAT_EQ(y, y0);
}

TEST_F(Editor, WalkerMarkersPastTheGamesEightAreBoxedWhereverTheOthersLie) {
    // Markers far right of the view in row 2 come first in the grid's order; five more in view in row 8.
    for (int before : {5, MAX_ENEMIES}) {
        std::string rows[15];
        for (std::string& row : rows) {
            row.assign(128, '.');
        }
        rows[14].assign(128, '#');
        rows[12][10] = 'S';
        rows[12][120] = 'G';
        for (int i = 0; i < before; ++i) {
            rows[2][80 + i] = 'E';
        }
        for (int col = 2; col <= 6; ++col) {
            rows[8][col] = 'E';
        }
        std::ofstream(path, std::ios::binary) << [&] {
            std::string text;
            for (const std::string& row : rows) {
                text += row + "\n";
            }
            return text;
        }();
        MainStartEditor(window, path.c_str());
        Frames(2);
        float vx = 0, vy = 0;
        EditorGetView(&vx, &vy);
        for (int col = 2; col <= 6; ++col) {
            const int x = (int)(col * TILE_SIZE - vx), y = (int)(8 * TILE_SIZE - vy);
            const bool boxed = before + (col - 2) >= MAX_ENEMIES;
            EXPECT_EQ(pixelBuffer[y * LOGICAL_WIDTH + x] == PALETTE_PINK, boxed)
                << before << " before, column " << col;
        }
    }
}

TEST_F(Editor, EnterPlaysTheStageBeingEditedAndEscapeComesBack) {
    // A pillar in front of the start tells the stage apart from the file and the built-in stage.
    Press(KEY_0 + 3);
    ClickCell(7, 12);
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    Press(KEY_ENTER);
    ASSERT_FALSE(EditorIsEditing());
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    const Tilemap* map = GameStateGetMap();
    EXPECT_EQ(map->width, EDITOR_BLANK_COLS);
    EXPECT_EQ(TilemapGetTile(map, 7, 12), TILE_PILLAR);
    EXPECT_EQ(map->spawnX, 3 * 16 + 8.0f);
    Frames(30);
    EXPECT_EQ(GameStateGetMode(), MODE_PLAYING);
    Press(KEY_ESCAPE);
    ASSERT_TRUE(EditorIsEditing());
    float bx = 0, by = 0;
    EditorGetView(&bx, &by);
    EXPECT_EQ(bx, vx);
    EXPECT_EQ(by, vy);
    EXPECT_EQ(Tile(7, 12), TILE_PILLAR);
    // The editor's stage was only lent: the game reads its file again once the editor is left.
    EditorClose();
    LevelSetStagePath("no-such-stage.txt");
    GameStateStartStage();
    EXPECT_EQ(GameStateGetMap()->width, 80);
    EXPECT_EQ(TilemapGetTile(GameStateGetMap(), 7, 12), TILE_EMPTY);
    LevelSetStagePath(nullptr);
}

TEST_F(Editor, CtrlSWritesTheStageTextAsideAndClearsTheMark) {
    Press(KEY_0 + 4);
    ClickCell(5, 6);
    ASSERT_TRUE(EditorIsDirty());
    Chord(KEY_CONTROL, KEY_S);
    EXPECT_FALSE(EditorIsDirty());
    EXPECT_STREQ(EditorMessageLine(), "SAVED");
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - editor-test-stage.txt");
    const std::string text = FileText();
    ASSERT_EQ(text.size(), (size_t)EDITOR_BLANK_ROWS * (EDITOR_BLANK_COLS + 1));
    EXPECT_EQ(text.substr(6 * (EDITOR_BLANK_COLS + 1), 7), "#....4.");
    // Nothing was left beside it.
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
    // Opened again, the file gives the same grid.
    const Tilemap saved = *EditorGetGrid();
    MainStartEditor(window, path.c_str());
    EXPECT_EQ(memcmp(EditorGetGrid()->tiles, saved.tiles, sizeof(saved.tiles)), 0);
    // Undo past the save marks the stage changed again.
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_STREQ(EditorMessageLine(), "NOTHING TO UNDO");
    ClickCell(8, 6);
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_FALSE(EditorIsDirty());
}

TEST_F(Editor, ASaveThatCannotBeWrittenSaysSoAndKeepsTheMark) {
    fs::create_directory(path); // a folder where the file should go
    ClickCell(5, 6);
    Chord(KEY_CONTROL, KEY_S);
    EXPECT_TRUE(EditorIsDirty());
    EXPECT_NE(std::string(EditorMessageLine()).find("NOT SAVED"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
}

TEST_F(Editor, StatusLinesNameTheCellAndWarnAsYouPaint) {
    ShowCell(3, 13);
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    Cursor((int)(3 * 16 + 8 - vx), (int)(13 * 16 + 8 - vy));
    Frame();
    EXPECT_EQ(std::string(EditorStatusLine()).rfind("START", 0), 0u) << EditorStatusLine();
    EXPECT_NE(std::string(EditorStatusLine()).find("C3 "), std::string::npos) << EditorStatusLine();
    EXPECT_NE(std::string(EditorStatusLine()).find("80X15"), std::string::npos);
    // The check follows a held stroke: erasing the goal says so at once, before the button comes up.
    ShowCell(EDITOR_BLANK_COLS - 4, EDITOR_BLANK_ROWS - 2);
    EditorGetView(&vx, &vy);
    Cursor((int)((EDITOR_BLANK_COLS - 6) * 16 + 8 - vx), (int)((EDITOR_BLANK_ROWS - 2) * 16 + 8 - vy));
    HeadlessSetKeyDown(KEY_RBUTTON, 1);
    Frame();
    for (int col = EDITOR_BLANK_COLS - 5; col <= EDITOR_BLANK_COLS - 4; ++col) {
        EXPECT_EQ(std::string(EditorMessageLine()).find("NO GOAL"), std::string::npos);
        Cursor((int)(col * 16 + 8 - vx), (int)((EDITOR_BLANK_ROWS - 2) * 16 + 8 - vy));
        Frame();
    }
    EXPECT_NE(std::string(EditorMessageLine()).find("NO GOAL"), std::string::npos) << EditorMessageLine();
    HeadlessSetKeyDown(KEY_RBUTTON, 0);
    Frame();
    EXPECT_NE(std::string(EditorMessageLine()).find("NO GOAL"), std::string::npos) << EditorMessageLine();
    EXPECT_EQ(Tile(EDITOR_BLANK_COLS - 4, EDITOR_BLANK_ROWS - 2), TILE_EMPTY);
    // A goal in a box of walls one tile thick is not walled in: play crosses thin walls.
    Chord(KEY_CONTROL, KEY_Z);
    Press(KEY_0 + 1);
    for (const auto& cell : {std::make_pair(-5, -2), std::make_pair(-3, -2), std::make_pair(-4, -3)}) {
        ClickCell(EDITOR_BLANK_COLS + cell.first, EDITOR_BLANK_ROWS + cell.second);
    }
    EXPECT_EQ(std::string(EditorMessageLine()).find("WALLED"), std::string::npos) << EditorMessageLine();
    // A start on the border is lost to it.
    Press(KEY_0 + 8);
    ClickCell(4, 0);
    EXPECT_NE(std::string(EditorMessageLine()).find("BORDER"), std::string::npos);
}

TEST_F(Editor, KeysNeverReachTheGameWhileEditingAndEscapeLeaves) {
    Press(KEY_F);
    Press(KEY_R);
    EXPECT_TRUE(EditorIsEditing());
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    EXPECT_EQ(GameStateGetDebugFly(), 0);
    // Nothing unsaved: Escape leaves for the game's title at once.
    Press(KEY_ESCAPE);
    EXPECT_FALSE(EditorIsActive());
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
}

// Closing the window, or leaving by Escape, with unsaved changes asks first: stay, save or discard.
TEST_F(Editor, UnsavedChangesAreNeverLostToACloseOrAnEscape) {
    EXPECT_EQ(MainOnCloseRequest(), 1); // nothing to lose yet
    Press(KEY_0 + 1);
    ClickCell(10, 5);
    ASSERT_TRUE(EditorIsDirty());
    EXPECT_EQ(MainOnCloseRequest(), 0);
    Frame();
    EXPECT_FALSE(MainWantsQuit());
    Press(KEY_ESCAPE); // stay
    EXPECT_FALSE(MainWantsQuit());
    EXPECT_TRUE(EditorIsEditing());
    ClickCell(11, 5); // the editor edits again
    EXPECT_EQ(Tile(11, 5), TILE_GROUND);
    // Asked again, S saves and lets the window close.
    EXPECT_EQ(MainOnCloseRequest(), 0);
    Press(KEY_S);
    EXPECT_TRUE(MainWantsQuit());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(EditorIsDirty());
    // A close during a play-test comes back to the editor to ask; a click on DISCARD lets it close.
    MainStartEditor(window, path.c_str());
    Frames(200);
    ClickCell(12, 5);
    Press(KEY_ENTER);
    ASSERT_FALSE(EditorIsEditing());
    EXPECT_EQ(MainOnCloseRequest(), 0);
    Frame();
    EXPECT_TRUE(EditorIsEditing());
    Cursor(160, 108); // the middle answer: D:DISCARD
    Press(KEY_LBUTTON);
    EXPECT_TRUE(MainWantsQuit());
    // Escape with unsaved changes asks the same before leaving.
    MainStartEditor(window, path.c_str());
    Frames(200);
    ClickCell(13, 5);
    Press(KEY_ESCAPE);
    EXPECT_TRUE(EditorIsEditing());
    Press('D');
    EXPECT_FALSE(EditorIsActive());
}

// Unsaved changes are copied to the data folder a few seconds after the last one; opening the stage
// again (after a crash: nothing saved) offers them.
TEST_F(Editor, ARecoveryCopyOutlivesACrashAndIsOffered) {
    Press(KEY_0 + 1);
    Chord(KEY_CONTROL, KEY_S);
    ClickCell(10, 5);
    Frames(250); // 4 s
    ASSERT_TRUE(fs::exists(data + "/shotgun-kalvoro/recovery"));
    MainStartEditor(window, path.c_str()); // as a new session would, the work never saved
    Frames(2);
    EXPECT_EQ(Tile(10, 5), TILE_EMPTY);
    Press(KEY_R);
    EXPECT_EQ(Tile(10, 5), TILE_GROUND);
    EXPECT_TRUE(EditorIsDirty());
    Chord(KEY_CONTROL, KEY_S);
    // Saved: the copy is gone, and the next opening offers nothing.
    MainStartEditor(window, path.c_str());
    Frames(2);
    ClickCell(11, 5);
    EXPECT_EQ(Tile(11, 5), TILE_GROUND);
}

// A file changed on disk since it was opened is not written over without a question; a file the
// editor would write differently is said at opening and kept beside it at the first save.
TEST_F(Editor, ASaveNeverWritesOverChangesMadeOnDiskOrAFileItWouldChange) {
    Chord(KEY_CONTROL, KEY_S);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "#####\n#S.G#\n#####\n#####\n";
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
    ClickCell(10, 5);
    Chord(KEY_CONTROL, KEY_S);
    const auto read = [&]() {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    };
    EXPECT_EQ(read(), "#####\n#S.G#\n#####\n#####\n");
    Press(KEY_ESCAPE);
    EXPECT_EQ(read(), "#####\n#S.G#\n#####\n#####\n");
    Chord(KEY_CONTROL, KEY_S);
    Press(KEY_S);
    EXPECT_NE(read(), "#####\n#S.G#\n#####\n#####\n");
    EXPECT_FALSE(EditorIsDirty());
    // Line ends of two bytes: said at opening, and the original kept at the first save.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "#####\r\n#S.G#\r\n#####\r\n";
    MainStartEditor(window, path.c_str());
    EXPECT_NE(std::string(EditorMessageLine()).find("CR LINE ENDS"), std::string::npos)
        << EditorMessageLine();
    Chord(KEY_CONTROL, KEY_S);
    EXPECT_EQ(read(), "#####.\n#S.G#.\n#####.\n"); // the reader's column of carriage returns
    std::stringstream original;
    original << std::ifstream(path + ".orig", std::ios::binary).rdbuf();
    EXPECT_EQ(original.str(), "#####\r\n#S.G#\r\n#####\r\n");
    fs::remove(path + ".orig");
}

} // namespace

namespace {

// The editor on a copy of a stage from the source tree.
class EditorSolve : public Editor {
  protected:
    void Open(const char* relative) {
        fs::copy_file(fs::path(KALVORO_SOURCE_DIR) / relative, path, fs::copy_options::overwrite_existing);
        MainStartEditor(window, path.c_str());
        Frames(200);
    }
};

TEST_F(EditorSolve, VSolvesASliceAFrameDrawsTheRouteAndPPlaysItToTheGoal) {
    Open("tools/maptool/lessons/2-double-shot.txt");
    Press('V');
    EXPECT_TRUE(EditorIsSolving());
    int frames = 0;
    while (EditorIsSolving() && frames < 20000) {
        Frame();
        ++frames;
    }
    int clears = 0;
    const int32_t steps = EditorRouteSteps(&clears);
    ASSERT_EQ(clears, 1) << EditorMessageLine();
    EXPECT_GT(steps, 0);
    EXPECT_GT(frames, 1); // a slice per frame, not the whole search in one
    EXPECT_NE(std::string(EditorMessageLine()).find("CLEARABLE IN"), std::string::npos);
    // The search left the game as it was: still the editor, the title behind it.
    EXPECT_TRUE(EditorIsEditing());
    EXPECT_EQ(GameStateGetMode(), MODE_TITLE);
    Press('P');
    ASSERT_FALSE(EditorIsEditing());
    for (int i = 0; i < 5000 && GameStateGetMode() != MODE_STAGE_CLEAR; ++i) {
        Frame();
    }
    EXPECT_EQ(GameStateGetMode(), MODE_STAGE_CLEAR);
    Press(KEY_ESCAPE);
    EXPECT_TRUE(EditorIsEditing());
    // An edit forgets the route.
    ClickCell(20, 3);
    EXPECT_EQ(EditorRouteSteps(&clears), 0);
}

// Opening another stage closes the one before as a whole: its search, its route, a play-test's loan.
TEST_F(EditorSolve, OpeningAnotherStageForgetsTheRouteTheSearchAndTheLoan) {
    Open("tools/maptool/lessons/2-double-shot.txt");
    Press('V');
    for (int i = 0; i < 20000 && EditorIsSolving(); ++i) {
        Frame();
    }
    int clears = 0;
    ASSERT_GT(EditorRouteSteps(&clears), 0);
    Open("tools/maptool/lessons/1-long-pit.txt");
    EXPECT_EQ(EditorRouteSteps(&clears), 0);
    Press('P');
    EXPECT_TRUE(EditorIsEditing()) << "P played the route of the stage before";
    // A search running at the opening stops with it and never reports over the new stage.
    Press('V');
    ASSERT_TRUE(EditorIsSolving());
    Open("tools/maptool/lessons/3-ledge-climb.txt");
    EXPECT_FALSE(EditorIsSolving());
    EXPECT_EQ(std::string(EditorMessageLine()).find("CLEARABLE"), std::string::npos);
    // Opened during a play-test (the page's Edit), the game gets its own stage back.
    LevelSetStagePath(nullptr);
    Press(KEY_ENTER);
    ASSERT_FALSE(EditorIsEditing());
    MainStartEditor(window, path.c_str());
    Press(KEY_ENTER);
    Press(KEY_ESCAPE);
    EditorClose();
    LevelStageSource source;
    LevelGetStageSource(&source);
    EXPECT_EQ(source.text, nullptr) << "the editor's stage is still lent to the game";
    EXPECT_STREQ(source.path, LEVEL_STAGE_PATH);
}

// A file dropped during a play-test opens in the editor when the play-test ends, and says so.
TEST_F(EditorSolve, AFileDroppedDuringAPlaytestOpensWhenItEnds) {
    const std::string other = (fs::current_path() / "editor-test-dropped.txt").string();
    fs::copy_file(fs::path(KALVORO_SOURCE_DIR) / "tools/maptool/lessons/4-walker.txt", other,
                  fs::copy_options::overwrite_existing);
    Press(KEY_ENTER);
    ASSERT_FALSE(EditorIsEditing());
    EXPECT_EQ(MainOnDropFile(window, other.c_str()), STAGE_OPEN_AFTER_PLAYTEST);
    EXPECT_FALSE(EditorIsEditing()) << "the play-test goes on";
    Press(KEY_ESCAPE);
    ASSERT_TRUE(EditorIsEditing());
    Tilemap dropped;
    ASSERT_EQ(LevelReadGridFile(&dropped, other.c_str()), LEVEL_FROM_FILE);
    EXPECT_EQ(EditorGetGrid()->width, dropped.width);
    EXPECT_EQ(memcmp(EditorGetGrid()->tiles, dropped.tiles, sizeof(dropped.tiles)), 0);
    EXPECT_NE(std::string(EditorMessageLine()).find("PLAY-TEST"), std::string::npos) << EditorMessageLine();
    fs::remove(other);
}

// The goal's room opens only past the stage's right end, as in play: no warning, and V clears it.
TEST_F(EditorSolve, AGoalReachedRoundTheRightEndIsNotWalledIn) {
    std::ofstream(path) << "..............\n..............\n..............\n..............\n"
                           ".........#####\n.........#....\n.........#.G..\n.S.......#....\n##############\n";
    MainStartEditor(window, path.c_str());
    Frames(200);
    EXPECT_EQ(std::string(EditorMessageLine()).find("WALLED"), std::string::npos) << EditorMessageLine();
}

// The editor draws what Enter plays: the border walls the game forces, its own four walkers when none
// are placed, a red box on each marker it drops; the status line counts walkers and goals.
TEST_F(Editor, ThePictureShowsWhatEnterPlays) {
    std::ofstream(path) << "............\n............\n............\n..S.......G.\n############\n";
    MainStartEditor(window, path.c_str());
    Frames(200);
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    const auto pixel = [&](float x, float y) {
        return pixelBuffer[(int)(y - vy) * LOGICAL_WIDTH + (int)(x - vx)];
    };
    EXPECT_EQ(pixel(3 * 16 + 8, 8), 0xB95E51u) << "the top row is a wall in play";
    EXPECT_EQ(pixel(8, 2 * 16 + 8), 0xB95E51u) << "the left column is a wall in play";
    EXPECT_EQ(pixel(200, 5 * 16 - 24 - 4), 0x3EB849u) << "the game's own walker at x 200";
    EXPECT_NE(std::string(EditorStatusLine()).find("W4 G1"), std::string::npos) << EditorStatusLine();
    // Nine markers: eight walk, the ninth is boxed in red and said.
    std::ofstream(path) << "............\n.EEEEEEEEE..\n............\n..S.......G.\n############\n";
    MainStartEditor(window, path.c_str());
    EXPECT_NE(std::string(EditorMessageLine()).find("9 WALKERS"), std::string::npos) << EditorMessageLine();
    Frames(200);
    EXPECT_EQ(pixel(9 * 16 + 8, 16), 0xD75F93u) << "the dropped ninth marker";
    EXPECT_NE(std::string(EditorStatusLine()).find("W8 G1"), std::string::npos) << EditorStatusLine();
}

// Shift and a drag paints a rectangle as one undo step (the right button erases one); Shift+Enter
// plays from the cell under the cursor; O shows the whole stage and a click there moves the view.
TEST_F(Editor, RectanglesPlayFromTheCursorAndTheOverview) {
    Press(KEY_0 + 1);
    ShowCell(10, 6);
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    const auto at = [&](int col, int row) { Cursor((int)(col * 16 + 8 - vx), (int)(row * 16 + 8 - vy)); };
    at(10, 6);
    Frame();
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    HeadlessSetKeyDown(KEY_LBUTTON, 1);
    Frame();
    at(13, 8);
    Frame();
    EXPECT_EQ(Tile(12, 7), TILE_EMPTY); // drawn only when the button comes up
    HeadlessSetKeyDown(KEY_LBUTTON, 0);
    Frame();
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    for (int col = 10; col <= 13; ++col) {
        for (int row = 6; row <= 8; ++row) {
            EXPECT_EQ(Tile(col, row), TILE_GROUND) << col << "," << row;
        }
    }
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_EQ(Tile(10, 6), TILE_EMPTY);
    EXPECT_EQ(Tile(13, 8), TILE_EMPTY);
    // Shift+Enter: the player starts in the cell under the cursor, standing on its floor.
    at(15, 5);
    Frame();
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    Press(KEY_ENTER);
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    ASSERT_FALSE(EditorIsEditing());
    EXPECT_NEAR(GameStateGetPlayer()->body.x, 15 * 16 + 8, 8.0f);
    Press(KEY_ESCAPE);
    EXPECT_TRUE(EditorIsEditing());
    // O, then a click on the overview's far right: the view goes to the stage's right end.
    Press('O');
    Cursor(160 + EDITOR_BLANK_COLS - 2, 100);
    Press(KEY_LBUTTON);
    EditorGetView(&vx, &vy);
    EXPECT_GT(vx, (EDITOR_BLANK_COLS - 20) * 16.0f);
    EXPECT_EQ(Tile(EDITOR_BLANK_COLS - 2, 7), TILE_EMPTY); // the click painted nothing
    // The overview, shown again, follows the stage (the rectangle's cells are out of the view now):
    // redone, it shows there; undone, it goes again.
    Press('O');
    const auto view = [this] {
        Frames(3);
        return std::vector<uint32_t>(pixelBuffer + EDITOR_BAR_H * LOGICAL_WIDTH,
                                     pixelBuffer + EDITOR_STATUS_Y * LOGICAL_WIDTH);
    };
    const std::vector<uint32_t> without = view();
    Chord(KEY_CONTROL, 'Y');
    ASSERT_EQ(Tile(10, 6), TILE_GROUND);
    EXPECT_NE(view(), without);
    Chord(KEY_CONTROL, KEY_Z);
    ASSERT_EQ(Tile(10, 6), TILE_EMPTY);
    EXPECT_EQ(view(), without);
    Press('O');
}

// The solver's answers are true and stay: V again says STOPPED, the answer stays until the next edit,
// an edit during a search says it stopped it, and a route off the view is brought into it.
TEST_F(EditorSolve, SolverMessagesSayWhatHappenedAndStay) {
    Open("tools/maptool/lessons/1-long-pit.txt");
    HeadlessSetKeyDown(KEY_RIGHT, 1);
    Frames(400); // the view at the stage's far end
    HeadlessSetKeyDown(KEY_RIGHT, 0);
    float x0 = 0, y0 = 0;
    EditorGetView(&x0, &y0);
    Press('V');
    Press('V');
    EXPECT_EQ(std::string(EditorMessageLine()).rfind("STOPPED", 0), 0u) << EditorMessageLine();
    Press('V');
    for (int i = 0; i < 20000 && EditorIsSolving(); ++i) {
        Frame();
    }
    ASSERT_EQ(std::string(EditorMessageLine()).rfind("CLEARABLE", 0), 0u) << EditorMessageLine();
    float x = 0, y = 0;
    EditorGetView(&x, &y);
    EXPECT_NE(x, x0) << "the route, off the view, was not brought into it";
    Frames(600); // ten seconds
    EXPECT_EQ(std::string(EditorMessageLine()).rfind("CLEARABLE", 0), 0u) << EditorMessageLine();
    Press(KEY_0 + 1);
    ClickCell(3, 3);
    EXPECT_EQ(std::string(EditorMessageLine()).find("CLEARABLE"), std::string::npos);
    Press('V');
    ASSERT_TRUE(EditorIsSolving());
    ClickCell(4, 3);
    EXPECT_FALSE(EditorIsSolving());
    EXPECT_NE(std::string(EditorMessageLine()).find("STOPPED THE SEARCH"), std::string::npos)
        << EditorMessageLine();
}

TEST_F(EditorSolve, AWalledInGoalIsSaidAtOnce) {
    Open("tools/maptool/stages/walled-in.txt");
    Press('V');
    EXPECT_FALSE(EditorIsSolving());
    EXPECT_STREQ(EditorMessageLine(), "CANNOT BE CLEARED: GOAL WALLED IN");
    Press('P');
    EXPECT_TRUE(EditorIsEditing());
}

// The bars are put back as drawn only while they show the same: the status line follows the cursor,
// the palette bar the choice, and coming back shows the first picture of both again.
TEST_F(Editor, TheBarsFollowWhatTheyShow) {
    auto bars = [] {
        std::vector<uint32_t> rows(pixelBuffer, pixelBuffer + EDITOR_BAR_H * LOGICAL_WIDTH);
        rows.insert(rows.end(), pixelBuffer + EDITOR_STATUS_Y * LOGICAL_WIDTH,
                    pixelBuffer + LOGICAL_HEIGHT * LOGICAL_WIDTH);
        return rows;
    };
    Press('1');
    Cursor(100, 100);
    Frame();
    const std::vector<uint32_t> first = bars();
    Cursor(140, 100);
    Frame();
    const std::vector<uint32_t> otherCell = bars();
    Press('3');
    const std::vector<uint32_t> otherTile = bars();
    Press('1');
    Cursor(100, 100);
    Frame();
    EXPECT_NE(otherCell, first);
    EXPECT_NE(otherTile, otherCell);
    EXPECT_EQ(bars(), first);
    // Kept and put back as drawn, to and fro.
    Frames(3);
    EXPECT_EQ(bars(), first);
    Cursor(140, 100);
    Frames(3);
    EXPECT_EQ(bars(), otherCell);
    Cursor(100, 100);
    Frame();
    EXPECT_EQ(bars(), first);
}

} // namespace

namespace {

// The editor on a small stage that fits the view, driven cell by cell.
class EditorArea : public Editor {
  protected:
    void Open(const char* text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        MainStartEditor(window, path.c_str());
        Frames(200);
    }
    void At(int col, int row) {
        float vx = 0, vy = 0;
        EditorGetView(&vx, &vy);
        Cursor((int)(col * TILE_SIZE + 8 - vx), (int)(row * TILE_SIZE + 8 - vy));
        Frame();
    }
    // A drag with Ctrl held, from one cell to another.
    void CtrlDrag(int c0, int r0, int c1, int r1) {
        At(c0, r0);
        HeadlessSetKeyDown(KEY_CONTROL, 1);
        HeadlessSetKeyDown(KEY_LBUTTON, 1);
        Frame();
        At(c1, r1);
        HeadlessSetKeyDown(KEY_LBUTTON, 0);
        Frame();
        HeadlessSetKeyDown(KEY_CONTROL, 0);
        Frame();
    }
    std::string Row(int row) {
        std::string text;
        for (int col = 0; col < EditorGetGrid()->width; ++col) {
            text += ".#=|4567SEG"[Tile(col, row)];
        }
        return text;
    }
    // Keys typed into Save As's name.
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) {
            const int shift = *c == '_' || (*c >= 'A' && *c <= 'Z');
            const int32_t vk = *c >= 'a' && *c <= 'z'   ? KEY_A + (*c - 'a')
                               : *c == '-' || *c == '_' ? KEY_MINUS
                               : *c == '.'              ? KEY_PERIOD
                                                        : (int32_t)*c;
            HeadlessSetKeyDown(KEY_SHIFT, shift);
            Press(vk);
        }
        HeadlessSetKeyDown(KEY_SHIFT, 0);
    }
    void Erase(int n) {
        for (int i = 0; i < n; ++i) {
            Press(KEY_BACKSPACE);
        }
    }
};

// Ctrl and a drag selects; copy, paste, cut, erase and move are each one undo step, clipped at the
// stage's edges, and a pasted start moves the one start.
TEST_F(EditorArea, SelectCopyPasteCutAndMoveAreEachOneUndoStep) {
    Open("............\n..##........\n..#S........\n..........G.\n############\n");
    CtrlDrag(3, 2, 2, 1); // corners in either order
    EXPECT_NE(std::string(EditorMessageLine()).find("2X2 SELECTED"), std::string::npos) << EditorMessageLine();
    EXPECT_FALSE(EditorIsDirty()); // selecting changes nothing
    Chord(KEY_CONTROL, 'C');
    At(6, 1);
    Chord(KEY_CONTROL, 'V');
    EXPECT_EQ(Row(1), "..##..##....");
    EXPECT_EQ(Row(2), "..#...#S....") << "the pasted start moved the one start";
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_EQ(Row(1), "..##........");
    EXPECT_EQ(Row(2), "..#S........");
    // Pasted over the right end: cut there, the stage not grown.
    At(11, 2);
    Chord(KEY_CONTROL, 'V');
    EXPECT_EQ(EditorGetGrid()->width, 12);
    EXPECT_EQ(Row(2), "..#S.......#");
    EXPECT_EQ(Row(3), "..........G#");
    EXPECT_NE(std::string(EditorMessageLine()).find("EDGE"), std::string::npos) << EditorMessageLine();
    Chord(KEY_CONTROL, KEY_Z);
    // A Ctrl drag inside the selection moves it, held inside the stage: one step.
    CtrlDrag(2, 1, 3, 2);
    CtrlDrag(2, 1, 5, 1);
    EXPECT_EQ(Row(1), ".....##.....");
    EXPECT_EQ(Row(2), ".....#S.....");
    CtrlDrag(5, 1, 5, 7);
    EXPECT_EQ(Row(3), ".....##...G.") << "stopped at the bottom row";
    EXPECT_EQ(Row(4), "######S#####");
    Chord(KEY_CONTROL, KEY_Z);
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_EQ(Row(2), "..#S........");
    // Cut, Delete: one step each; Escape lets go of the selection and stays in the editor.
    CtrlDrag(2, 1, 3, 2);
    Chord(KEY_CONTROL, 'X');
    EXPECT_EQ(Row(1), "............");
    Chord(KEY_CONTROL, KEY_Z);
    Press(KEY_DELETE);
    EXPECT_EQ(Row(2), "............");
    Chord(KEY_CONTROL, KEY_Z);
    EXPECT_EQ(Row(2), "..#S........");
    Press(KEY_ESCAPE);
    EXPECT_TRUE(EditorIsEditing());
    Press(KEY_DELETE);
    EXPECT_EQ(Row(2), "..#S........") << "nothing selected, nothing erased";
}

// A paste keeps the game's eight walkers: the ninth is refused and said.
TEST_F(EditorArea, APasteKeepsTheWalkersLimit) {
    Open("............\n.EEEEEEEE...\n............\n..S.......G.\n############\n");
    CtrlDrag(1, 1, 2, 1);
    Chord(KEY_CONTROL, 'C');
    At(1, 2);
    Chord(KEY_CONTROL, 'V');
    EXPECT_EQ(Row(2), "............");
    EXPECT_NE(std::string(EditorMessageLine()).find("8 WALKERS"), std::string::npos) << EditorMessageLine();
    At(1, 1); // over the walkers copied: they are replaced, so they count no more
    Chord(KEY_CONTROL, 'V');
    EXPECT_EQ(Row(1), ".EEEEEEEE...");
}

// Save As takes a name typed in the picture, refuses a path, asks before replacing a file; New asks
// first when changes are unsaved.
TEST_F(EditorArea, SaveAsRefusesPathsAndAsksBeforeReplacingAndNewAsksFirst) {
    EXPECT_STREQ(EditorNameRefusal("a/b.txt"), "NOT SAVED: A NAME, NOT A PATH (NO /)");
    EXPECT_NE(EditorNameRefusal(".."), nullptr);
    EXPECT_EQ(EditorNameRefusal("my-stage_2.TXT"), nullptr);
    const std::string other = (fs::path(path).parent_path() / "editor-test-copy.txt").string();
    fs::remove(other);
    Open("....\n.S.G\n####\n");
    At(1, 0);
    Press(KEY_0 + 1);
    Press(KEY_LBUTTON);
    HeadlessSetKeyDown(KEY_SHIFT, 1);
    Chord(KEY_CONTROL, KEY_S);
    HeadlessSetKeyDown(KEY_SHIFT, 0);
    Erase(40);
    Press(KEY_ENTER);
    EXPECT_NE(std::string(EditorMessageLine()).find("TYPE A NAME"), std::string::npos) << EditorMessageLine();
    Type("..");
    Press(KEY_ENTER);
    EXPECT_NE(std::string(EditorMessageLine()).find("NO .."), std::string::npos) << EditorMessageLine();
    Erase(2);
    Type("editor-test-copy.txt");
    Press(KEY_ENTER);
    EXPECT_EQ(FileText(), "....\n.S.G\n####\n") << "the opened file is untouched";
    std::stringstream copy;
    copy << std::ifstream(other, std::ios::binary).rdbuf();
    EXPECT_EQ(copy.str(), ".#..\n.S.G\n####\n");
    EXPECT_FALSE(EditorIsDirty());
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - editor-test-copy.txt");
    // Save As over the first file asks; Escape keeps it, R replaces it.
    const auto saveAs = [&](const char* name) {
        HeadlessSetKeyDown(KEY_SHIFT, 1);
        Chord(KEY_CONTROL, KEY_S);
        HeadlessSetKeyDown(KEY_SHIFT, 0);
        Erase(40);
        Type(name);
        Press(KEY_ENTER);
    };
    saveAs("editor-test-stage.txt");
    Press(KEY_ESCAPE);
    EXPECT_EQ(FileText(), "....\n.S.G\n####\n");
    saveAs("editor-test-stage.txt");
    Press(KEY_R);
    EXPECT_EQ(FileText(), ".#..\n.S.G\n####\n");
    // New with unsaved changes asks: Escape stays, D discards and opens a blank stage without a file,
    // whose Ctrl+S asks for a name.
    At(2, 0);
    Press(KEY_LBUTTON);
    Chord(KEY_CONTROL, 'N');
    Press(KEY_ESCAPE);
    EXPECT_EQ(Tile(2, 0), TILE_GROUND);
    Chord(KEY_CONTROL, 'N');
    Press('D');
    EXPECT_EQ(EditorGetGrid()->width, EDITOR_BLANK_COLS);
    EXPECT_FALSE(EditorIsDirty());
    EXPECT_STREQ(HeadlessWindowTitle(), "Shotgun-Kalvoro - new stage");
    Chord(KEY_CONTROL, KEY_S);
    Type("editor-test-copy.txt");
    Press(KEY_ENTER);
    Press(KEY_R);
    EXPECT_EQ(fs::file_size(other), (uintmax_t)(EDITOR_BLANK_COLS + 1) * EDITOR_BLANK_ROWS);
    fs::remove(other);
}

// A view that stays still is put back as it was drawn, and follows every change: a cell painted in it,
// its undo (drawn afresh, then kept again), a step of scrolling and a walker marker past the eighth.
TEST_F(Editor, AStillViewIsPutBackAsDrawnAndFollowsEveryChange) {
    const std::string rows[] = {"..........E.", ".EEEEEEEE...", "............", "..S.......G.", "############"};
    std::string text;
    for (const std::string& row : rows) {
        text += row + std::string(40, row[0] == '#' ? '#' : '.') + "\n"; // wide enough to scroll
    }
    std::ofstream(path) << text;
    MainStartEditor(window, path.c_str());
    Frames(200);
    auto view = [] {
        return std::vector<uint32_t>(pixelBuffer + EDITOR_BAR_H * LOGICAL_WIDTH,
                                     pixelBuffer + EDITOR_STATUS_Y * LOGICAL_WIDTH);
    };
    float vx = 0, vy = 0;
    EditorGetView(&vx, &vy);
    const int x = (int)(6 * TILE_SIZE + 8 - vx), y = (int)(3 * TILE_SIZE + 8 - vy);
    Cursor(x, y);
    Frames(3);
    const std::vector<uint32_t> still = view(); // put back from the third frame on
    Frame();
    EXPECT_EQ(view(), still);
    EXPECT_EQ(pixelBuffer[(int)(TILE_SIZE - vy) * LOGICAL_WIDTH + (int)(8 * TILE_SIZE - vx)], PALETTE_PINK)
        << "the ninth marker in the grid's order is boxed";
    Press(KEY_0 + 1);
    Press(KEY_LBUTTON);
    ASSERT_EQ(Tile(6, 3), TILE_GROUND);
    EXPECT_EQ(pixelBuffer[(y + 4) * LOGICAL_WIDTH + x], 0xB95E51u) << "the painted cell shows at once";
    Frames(3);
    EXPECT_EQ(pixelBuffer[(y + 4) * LOGICAL_WIDTH + x], 0xB95E51u) << "and stays";
    HeadlessSetKeyDown(KEY_CONTROL, 1);
    HeadlessSetKeyDown(KEY_Z, 1);
    Frame();
    HeadlessSetKeyDown(KEY_Z, 0);
    HeadlessSetKeyDown(KEY_CONTROL, 0);
    ASSERT_EQ(Tile(6, 3), TILE_EMPTY);
    EXPECT_EQ(view(), still) << "drawn afresh";
    Frame();
    EXPECT_EQ(view(), still) << "drawn and kept";
    Frames(2);
    EXPECT_EQ(view(), still) << "put back";
    HeadlessSetKeyDown(KEY_RIGHT, 1);
    Frame();
    HeadlessSetKeyDown(KEY_RIGHT, 0);
    float movedX = 0;
    EditorGetView(&movedX, &vy);
    ASSERT_NE(movedX, vx);
    const std::vector<uint32_t> moved = view();
    EXPECT_NE(moved, still);
    Frames(3);
    EXPECT_EQ(view(), moved);
    // The first marker in the grid's order erased, the ninth is one of the eight that walk; undone, it
    // is boxed again.
    const int ex = (int)(10 * TILE_SIZE + 8 - movedX), ey = (int)(8 - vy);
    ASSERT_GE(ey, EDITOR_BAR_H);
    const size_t ninth = (size_t)((int)(TILE_SIZE - vy) - EDITOR_BAR_H) * LOGICAL_WIDTH + (size_t)(int)(8 * TILE_SIZE - movedX);
    Cursor(ex, ey);
    Frames(3);
    ASSERT_EQ(view()[ninth], PALETTE_PINK);
    Press(KEY_RBUTTON);
    ASSERT_EQ(Tile(10, 0), TILE_EMPTY);
    EXPECT_NE(view()[ninth], PALETTE_PINK) << "eight markers: none boxed";
    Frames(3);
    EXPECT_NE(view()[ninth], PALETTE_PINK);
    HeadlessSetKeyDown(KEY_CONTROL, 1);
    Press(KEY_Z);
    HeadlessSetKeyDown(KEY_CONTROL, 0);
    ASSERT_EQ(Tile(10, 0), TILE_ENEMY_SPAWN);
    Frames(3);
    EXPECT_EQ(view()[ninth], PALETTE_PINK) << "the ninth boxed again";
}

} // namespace
